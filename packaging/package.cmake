# The Debian package: manual pages, the package's documents and CPack's DEB generator.
# Included by the top-level CMakeLists after the programs' install rules.

set(K7740_MAN_PAGES k7740 k7740-cli k7740-sim)
set(k7740_man_outputs)
foreach(page ${K7740_MAN_PAGES})
  set(VERSION ${PROJECT_VERSION})
  configure_file(${CMAKE_SOURCE_DIR}/packaging/man/${page}.1 ${CMAKE_BINARY_DIR}/man/${page}.1 @ONLY)
  # -n: no time stamp inside, so that two builds give the same package.
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.1.gz
                     COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/man/${page}.1 -c > ${CMAKE_BINARY_DIR}/man/${page}.1.gz
                     DEPENDS ${CMAKE_BINARY_DIR}/man/${page}.1)
  list(APPEND k7740_man_outputs ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/doc/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.gz
                   COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/doc/changelog -c > ${CMAKE_BINARY_DIR}/doc/changelog.gz
                   DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog)
add_custom_target(k7740_docs ALL DEPENDS ${k7740_man_outputs} ${CMAKE_BINARY_DIR}/doc/changelog.gz)

install(FILES ${k7740_man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/doc/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME k7740)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "K7740 developers <k7740@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "program for the K7740 temperature and humidity data logger")
# Lines under 80 characters, as Debian's tools expect.
set(CPACK_PACKAGE_DESCRIPTION
    "Finds the K7740 data logger on a serial port, sets its clock and logging
parameters, reads its battery and downloads its readings; shows them as a
graph, a list and statistics, prints them and saves them as record files.
Also k7740-cli for scripts (with a port doctor, 'k7740-cli ports') and
k7740-sim, a simulated logger on a pseudo-terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postinst ${CMAKE_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Only the files: the settings folder and the desktop databases are the maintainer script's and
# dpkg's triggers' business, not the package's contents.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};k7740;Unspecified;/")
set(CPACK_SOURCE_IGNORE_FILES "/build.*/;/\\\\.git/")
include(CPack)

# The package in a throw-away root (skipped where dpkg or root is not at hand).
if(K7740_BUILD_UI AND TARGET k7740)
  add_test(NAME package_install COMMAND ${CMAKE_SOURCE_DIR}/tests/package/package_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(package_install PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()

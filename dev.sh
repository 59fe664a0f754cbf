#!/usr/bin/env bash
# Developer entry point: installs what is missing, builds, and runs the demo or the tests.
#   ./dev.sh demo       the desktop program on the simulated logger
#   ./dev.sh test       build and run every test
#   ./dev.sh sanitize   the tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer
#   ./dev.sh fuzz [S]   the record-file reader's fuzz target for S seconds (default 30)
#   ./dev.sh fuzz-all S every fuzz target (fuzz/*_fuzz.cpp) for S seconds each
#   ./dev.sh bench      build the benchmarks (Release) and run them
#   ./dev.sh package    the Debian package k7740_<version>_amd64.deb in build/, checked by lintian
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
JOBS=$(nproc 2>/dev/null || echo 2)

# tzdata: the tests check local times in zones with daylight saving; poppler-utils: the tests
# read the printed PDFs back (pdfinfo, pdftoppm); nlohmann-json3-dev: JSON of the analysis
# figures; influxdb: the server the line-protocol export is written to in a test.
PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev
  libgtest-dev libgmock-dev libbenchmark-dev fonts-liberation tzdata poppler-utils
  nlohmann-json3-dev influxdb)

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_build() {  # dir, extra cmake args...
  local dir=$1
  shift
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  # TARGETS: a blank-separated list of targets; all of them when unset.
  # shellcheck disable=SC2086
  cmake --build "$dir" -j "$JOBS" ${TARGETS:+--target $TARGETS}
}

case "${1:-}" in
  demo)
    install_missing "${PACKAGES[@]}"
    TARGETS="k7740 k7740-sim manual" configure_build "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    exec "$ROOT/tools/demo.sh" "$ROOT/build"
    ;;
  test)
    install_missing "${PACKAGES[@]}"
    configure_build "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cd "$ROOT/build"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$JOBS"
    ;;
  sanitize)
    install_missing "${PACKAGES[@]}"
    configure_build "$ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug -DK7740_SANITIZE=ON -DK7740_BUILD_BENCH=OFF
    cd "$ROOT/build-asan"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
      LSAN_OPTIONS=suppressions="$ROOT/tools/lsan.supp":print_suppressions=0 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$JOBS"
    ;;
  fuzz)
    install_missing "${PACKAGES[@]}" clang libclang-rt-14-dev
    CXX=clang++ TARGETS=record_reader_fuzz configure_build "$ROOT/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DK7740_FUZZ=ON \
      -DK7740_BUILD_UI=OFF -DK7740_BUILD_BENCH=OFF -DK7740_WERROR=OFF
    mkdir -p "$ROOT/build-fuzz/corpus"
    "$ROOT/build-fuzz/record_reader_fuzz" -max_total_time="${2:-30}" -max_len=200000 \
      "$ROOT/build-fuzz/corpus" "$ROOT/tests/data"
    ;;
  fuzz-all)
    # Every fuzz/NAME_fuzz.cpp, S seconds each. The growing corpus lives in build-fuzz/corpus/NAME,
    # seeded from fuzz/corpus/NAME; a crash leaves its input in build-fuzz/findings/NAME.
    seconds=${2:?usage: ./dev.sh fuzz-all SECONDS}
    install_missing "${PACKAGES[@]}" clang libclang-rt-14-dev
    targets=()
    for f in "$ROOT"/fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
    CXX=clang++ TARGETS="${targets[*]}" configure_build "$ROOT/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DK7740_FUZZ=ON -DK7740_BUILD_UI=OFF -DK7740_BUILD_BENCH=OFF -DK7740_WERROR=OFF
    failed=0
    summary=()
    for t in "${targets[@]}"; do
      corpus="$ROOT/build-fuzz/corpus/$t" findings="$ROOT/build-fuzz/findings/$t" log="$ROOT/build-fuzz/$t.log"
      mkdir -p "$corpus" "$findings"
      seeds=()
      [ -d "$ROOT/fuzz/corpus/$t" ] && seeds+=("$ROOT/fuzz/corpus/$t")
      max_len=$(cat "$ROOT/fuzz/corpus/$t.max_len" 2>/dev/null || echo 4096)
      echo "== $t: $seconds s"
      rc=0
      # No allocation stacks while fuzzing (a third faster on the graph); running the target on a
      # finding again shows them.
      ASAN_OPTIONS=malloc_context_size=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        "$ROOT/build-fuzz/$t" -max_total_time="$seconds" \
        -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "${seeds[@]}" \
        >"$log" 2>&1 || rc=$?
      execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
      # slow-unit-* files only say that a run took long on a busy machine; crashes, leaks,
      # time-outs and out-of-memory runs are findings.
      found=$(find "$findings" -type f ! -name 'slow-unit-*' | wc -l)
      if [ "$rc" -ne 0 ] || [ "$found" -ne 0 ]; then
        failed=1
        summary+=("$t: ${execs:-?} executions, FOUND $found input(s) in $findings (log: $log)")
        tail -40 "$log"
      else
        summary+=("$t: ${execs:-?} executions, nothing found")
      fi
    done
    printf '%s\n' "${summary[@]}"
    exit "$failed"
    ;;
  bench)
    install_missing "${PACKAGES[@]}" time
    configure_build "$ROOT/build-bench" -DCMAKE_BUILD_TYPE=Release
    for b in "$ROOT"/build-bench/*_bench; do "$b"; done
    for b in "$ROOT"/build-bench/*_uibench; do [ -x "$b" ] && QT_QPA_PLATFORM=offscreen "$b"; done
    # A full download through k7740-cli over a pseudo-terminal; the paced run (about 71 s) with
    # "bench/paced_download.sh build-bench".
    "$ROOT/bench/paced_download.sh" "$ROOT/build-bench" --unpaced-only
    ;;
  package)
    install_missing "${PACKAGES[@]}" lintian
    TARGETS="k7740 k7740-cli k7740-sim k7740_docs" configure_build "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    (cd "$ROOT/build" && cpack -G DEB)
    deb=$(ls "$ROOT"/build/k7740_*_amd64.deb)
    # Errors fail the command; warnings are shown.
    lintian --fail-on error "$deb"
    echo "$deb"
    ;;
  *)
    sed -n '2,9p' "$0"
    exit 2
    ;;
esac

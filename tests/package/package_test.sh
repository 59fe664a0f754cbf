#!/usr/bin/env bash
# Builds the Debian package, installs it into a throw-away root with dpkg, checks its files, the
# settings folder its script makes and that --help and the manual pages name the same options,
# then removes and purges it again. Exit 77: the tools are missing (the test is skipped).
set -euo pipefail
build=$1
for tool in cpack dpkg dpkg-deb zcat; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ "$(id -u)" -eq 0 ] || { echo "SKIP: dpkg --root needs root to set owners and groups"; exit 77; }
getent group dialout >/dev/null || { echo "SKIP: no group dialout on this machine"; exit 77; }

work=$(mktemp -d /tmp/k7740-package-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/k7740_*_amd64.deb)
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "k7740_${version}_amd64.deb" ] || fail "package name $(basename "$deb")"
# Computed from the programs, not listed by hand.
dpkg-deb -f "$deb" Depends | grep -q "libqt6serialport6" || fail "Depends lacks the serial-port library"

root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg_root() {
  # The libraries come from the host; the scripts run outside the root with DPKG_ROOT set.
  dpkg --root="$root" --log=/dev/null --force-script-chrootless --force-depends "$@" >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log"; fail "dpkg $*"; }
}
dpkg_root -i "$deb"

for f in usr/bin/k7740 usr/bin/k7740-cli usr/bin/k7740-sim \
  usr/share/applications/k7740.desktop usr/share/mime/packages/k7740-record.xml \
  usr/share/icons/hicolor/scalable/apps/k7740.svg \
  usr/share/man/man1/k7740.1.gz usr/share/man/man1/k7740-cli.1.gz usr/share/man/man1/k7740-sim.1.gz \
  usr/share/doc/k7740/copyright usr/share/doc/k7740/changelog.gz; do
  [ -f "$root/$f" ] || fail "$f is not installed"
done
[ "$(stat -c '%G %a' "$root/var/lib/k7740")" = "dialout 2775" ] ||
  fail "/var/lib/k7740 is $(stat -c '%G %a' "$root/var/lib/k7740"), not dialout 2775"

for p in k7740 k7740-cli k7740-sim; do
  [ "$("$root/usr/bin/$p" --version)" = "$p $version" ] || fail "$p --version"
  page=$(zcat "$root/usr/share/man/man1/$p.1.gz" | sed 's/\\-/-/g')
  grep -q "\"k7740 $version\"" <<<"$page" || fail "the manual page of $p does not carry version $version"
  for option in $("$root/usr/bin/$p" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$option" <<<"$page" || fail "$p --help names $option, its manual page does not"
  done
done
K7740_SERIAL_PORTS=$work/none "$root/usr/bin/k7740-cli" ports >/dev/null || fail "k7740-cli ports"

# Remove keeps the shared settings, purge takes them.
echo "[x]" >"$root/var/lib/k7740/TEVARO.ini"
dpkg_root -r k7740
[ ! -e "$root/usr/bin/k7740" ] || fail "remove left the programs"
[ -f "$root/var/lib/k7740/TEVARO.ini" ] || fail "remove took the settings"
dpkg_root --purge k7740
[ ! -e "$root/var/lib/k7740" ] || fail "purge left /var/lib/k7740"
[ ! -d "$root/usr" ] || [ -z "$(find "$root/usr" -type f)" ] || fail "purge left files: $(find "$root/usr" -type f)"
echo "package $(basename "$deb") installs, configures, removes and purges cleanly"

#!/usr/bin/env bash
# A full download (16,360 readings) from k7740-sim over a pseudo-terminal, paced at 9600 baud
# and unpaced, through k7740-cli. Prints the wall time against the line time and the CPU the
# CLI used while it waited.
#   bench/paced_download.sh BUILD_DIR [--unpaced-only]
set -euo pipefail
BUILD=${1:?usage: paced_download.sh BUILD_DIR}
WORK=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$WORK"' EXIT
export K7740_SERIAL_PORTS="$WORK/tty" K7740_SETTINGS_DIR="$WORK"

run() {  # label, sim options...
  local label=$1
  shift
  "$BUILD/k7740-sim" --link "$WORK/tty" --quiet --readings 16360 "$@" >/dev/null &
  local sim=$!
  for _ in $(seq 50); do [ -e "$WORK/tty" ] && break; sleep 0.1; done
  /usr/bin/time -f "%e %U %S" -o "$WORK/time" "$BUILD/k7740-cli" download --port 1 -o "$WORK/out" >/dev/null 2>&1
  kill $sim; wait $sim 2>/dev/null || true
  rm -f "$WORK/tty"
  read -r wall user sys <"$WORK/time"
  local cpu
  cpu=$(awk -v u="$user" -v s="$sys" -v w="$wall" 'BEGIN { printf "%.2f", (u + s) / w * 100 }')
  echo "$label: wall ${wall} s, CLI CPU ${user}+${sys} s (${cpu}% of a core)"
  echo "$wall"  >"$WORK/$label.wall"
}

run unpaced
if [ "${2:-}" != "--unpaced-only" ]; then
  run paced --pace
  # Line time at 9600 baud, 10 bits a byte: header and data received, 102 requests sent, and
  # the 20 ms pause before each of the 101 block requests.
  awk -v w="$(cat "$WORK/paced.wall")" 'BEGIN {
    line = (21 + 65440) * 10 / 9600 + 102 * 7 * 10 / 9600 + 101 * 0.020;
    printf "paced: line time %.2f s, measured %.2f s, overhead %.2f%%\n", line, w, (w - line) / line * 100 }'
fi

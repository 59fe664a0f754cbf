#!/usr/bin/env bash
# Starts the simulated logger on a pseudo-terminal and the desktop program wired to it, with a
# settings folder of its own, so the whole program can be tried without hardware.
set -euo pipefail
BUILD=${1:?usage: demo.sh BUILD_DIR [FILE.record]}
shift
DEMO=$(mktemp -d "${TMPDIR:-/tmp}/k7740-demo.XXXXXX")
LINK="$DEMO/ttyK7740"
mkdir -p "$DEMO/settings"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "The demo opens a window, but no display was found (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
  echo "Run it from a desktop session, or under Xvfb: xvfb-run -a ./dev.sh demo" >&2
  exit 1
fi

# A week of readings at one-minute intervals, ending now.
"$BUILD/k7740-sim" --link "$LINK" --readings 10080 --interval 1 --unit m --quiet >"$DEMO/sim.out" 2>"$DEMO/sim.err" &
SIM=$!
trap 'kill $SIM 2>/dev/null || true; rm -rf "$DEMO"' EXIT
for _ in $(seq 50); do
  [ -e "$LINK" ] && break
  sleep 0.1
done
if [ ! -e "$LINK" ]; then
  echo "The simulated logger did not start:" >&2
  cat "$DEMO/sim.err" >&2
  exit 1
fi
echo "Simulated K7740 logger on $(head -n1 "$DEMO/sim.out") (port 1 of the program)."
echo "Try Instrument > Download Data, then Save and Open. Close the window to end the demo."
K7740_SERIAL_PORTS="$LINK" K7740_SETTINGS_DIR="$DEMO/settings" "$BUILD/k7740" "$@"

#!/usr/bin/env bash
# Writes the user manual's pictures of the windows into OUT_DIR: the desktop program, offscreen
# against its in-process simulated logger, does a real download and grabs each window.
#   tools/make_manual_pictures.sh BUILD_DIR OUT_DIR
# No display is needed. The build makes them into BUILD_DIR/manual/pictures by itself.
set -euo pipefail
BUILD=${1:?usage: make_manual_pictures.sh BUILD_DIR OUT_DIR}
OUT=${2:?usage: make_manual_pictures.sh BUILD_DIR OUT_DIR}
if [ ! -x "$BUILD/manual_pictures" ]; then
  echo "$BUILD/manual_pictures is missing: cmake --build $BUILD --target manual_pictures" >&2
  exit 1
fi
mkdir -p "$OUT"
# A settings-independent, fixed look: no user style or scaling leaks into the pictures.
env -u QT_SCALE_FACTOR -u QT_STYLE_OVERRIDE QT_QPA_PLATFORM=offscreen TZ=UTC LC_ALL=C.UTF-8 \
  "$BUILD/manual_pictures" "$OUT" >/dev/null

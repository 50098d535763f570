#!/usr/bin/env bash
# Takes the screenshots in docs/screenshots/: the open book and the closed book at 100% and 200%
# scale, and under a dark desktop palette (which the book must not take on). Builds what it needs
# in build/ (configure it first, as ./run or ./test do).
set -euo pipefail
source "$(dirname "$0")/setup.sh"
cmake --build "$ORVELAN_ROOT/build" --target orvelan_screenshots
tool=$ORVELAN_ROOT/build/tools/orvelan_screenshots
out=$ORVELAN_ROOT/docs/screenshots
export QT_QPA_PLATFORM=offscreen
QT_SCALE_FACTOR=1 "$tool" "$out" ""
QT_SCALE_FACTOR=2 "$tool" "$out" "@2x"
QT_SCALE_FACTOR=1 "$tool" "$out" "-dark" --dark

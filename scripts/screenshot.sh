#!/usr/bin/env bash
# Takes a screenshot of the real Barvello window on a private X server (Xvfb): the window
# is opened, an EAN-13 is typed into the code field, the window is captured to a PNG and
# its preview is decoded to check what it shows.
#
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUTPUT.png]
#   BUILD_DIR   the CMake build folder (default: build/default)
#   OUTPUT.png  where the picture goes (default: barvello-window.png)
set -euo pipefail
build_dir=${1:-build/default}
out=${2:-barvello-window.png}
test_bin="$build_dir/tests/window_screenshot_test"

if [ ! -x "$test_bin" ]; then
  echo "screenshot: $test_bin is missing; build it first:" >&2
  echo "  cmake --build $build_dir --target window_screenshot_test" >&2
  exit 1
fi
if ! command -v xvfb-run >/dev/null; then
  echo "screenshot: xvfb-run is not installed (Debian package xvfb)" >&2
  exit 1
fi

case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
# The program starts its own X server through xvfb-run.
"$test_bin" --screenshot="$out" --gtest_brief=1
echo "screenshot: $out"

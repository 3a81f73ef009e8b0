#!/usr/bin/env bash
# Takes pictures of the real Barvello program on a private X server (Xvfb): the main window
# with an EAN-13 typed into the code field (its preview is decoded to check what it
# shows), the barcode editor and the label print dialog, each opened by its shortcut.
#
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUTPUT]
#   BUILD_DIR  the CMake build folder (default: build/default)
#   OUTPUT     a folder for main-window.png, editor.png and labels.png (default:
#              docs/screenshots, the pictures the README shows), or a file name ending in
#              .png for the main window alone
set -euo pipefail
build_dir=${1:-build/default}
out=${2:-docs/screenshots}
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
case "$out" in
  *.png)
    "$test_bin" --screenshot="$out" --gtest_brief=1 --gtest_filter='WindowScreenshot.*'
    echo "screenshot: $out"
    ;;
  *)
    mkdir -p "$out"
    "$test_bin" --screenshots="$out" --gtest_brief=1
    for f in main-window.png editor.png labels.png; do echo "screenshot: $out/$f"; done
    ;;
esac

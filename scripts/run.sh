#!/usr/bin/env bash
# Starts Barvello. Without a display (or before the desktop program is built) it writes
# a few sample images with barvello-cli instead, into ./samples.
set -euo pipefail
build_dir=${1:-build/default}
mode=${2:-}
cli="$build_dir/barvello-cli"
app="$build_dir/barvello"

if [ "$mode" != "--samples" ] && [ -x "$app" ]; then
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$app"
  fi
  echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): the desktop program cannot open a window."
fi

"$cli" --help
mkdir -p samples
echo
echo "Writing sample images into ./samples with barvello-cli:"
write() {
  local out=$1; shift
  if "$cli" "$@" -o "samples/$out" 2>/tmp/barvello-sample.err; then
    echo "  samples/$out"
  else
    echo "  samples/$out: $(cat /tmp/barvello-sample.err)"
  fi
}
write ean13.png -s bcEan13 -d 400638133393
write code128.png -s bcCode128 -d "Barvello 2026"
write qrcode.png -s bcQRCode -d "https://example.com/barvello"
write datamatrix.png -s bcDataMatrix -d "Barvello by tavrix"
write pdf417.png -s bcPDF417 -d "Barvello label run 0001"
echo "Bar pattern of an EAN-13:"
"$cli" -s bcEan13 -d 400638133393 --pattern

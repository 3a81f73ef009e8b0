#!/usr/bin/env bash
# Installs the Debian packages Barvello needs to build, test and run.
# Idempotent: runs apt-get update and install only when something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  zlib1g-dev libjpeg-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 libgl-dev
  libzxing-dev zxing-cpp-tools zbar-tools dmtx-utils imagemagick poppler-utils
  emf2svg libwmf-bin librsvg2-bin
  fonts-liberation2 fonts-dejavu-core fonts-urw-base35
  xvfb xauth x11-utils
  qt6-translations-l10n
  strace
)

# Only `make fuzz` needs these: clang and its libFuzzer and sanitizer runtimes.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# `--printing` (used by `make test`): a local CUPS with the cups-pdf queue, which the
# printing test prints through; scripts/setup-printing.sh starts it where it can run.
PRINT_PACKAGES=(cups cups-client printer-driver-cups-pdf)
printing=no
for arg in "$@"; do
  case "$arg" in
    --fuzz) PACKAGES+=("${FUZZ_PACKAGES[@]}") ;;
    --printing) PACKAGES+=("${PRINT_PACKAGES[@]}"); printing=yes ;;
  esac
done
set_up_printing() {
  if [ "$printing" = yes ]; then bash "$(dirname "${BASH_SOURCE[0]}")/setup-printing.sh"; fi
}

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  set_up_printing
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
set_up_printing

#!/usr/bin/env bash
# Steps of the packaging tests (see CMakeLists.txt beside this file for the environment):
#   install    installs the libraries, headers and packages into $WORK/prefix
#   symbols    the shared engine exports its public names and none of its internal ones
#   cmake      examples/engine-consumer builds against the prefix with find_package and
#              prints what barvello-cli --pattern prints
#   pkgconfig  a one-file program compiles and links with barvello-engine.pc alone
set -euo pipefail

step=$1
prefix=$WORK/prefix
lib=$prefix/$LIBDIR

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The texts both the example and the CLI encode; each pair is SYMBOLOGY TEXT.
PAIRS=(bcEan13 400638133393 bcQRCode "https://example.com" bcCode128 "ABC-123" bcDataMatrix "Barvello 0.1")

# What barvello-cli --pattern prints for the pairs given, one after another.
cli_patterns() {
  while [ $# -gt 0 ]; do
    "$CLI" -s "$1" -d "$2" --pattern
    shift 2
  done
}

# Runs a consumer program on PAIRS and compares its output with the CLI's; then a text
# EAN-13 refuses must fail with the CLI's error identifier.
compare_with_cli() {
  local program=$1
  diff <("$program" "${PAIRS[@]}") <(cli_patterns "${PAIRS[@]}") || fail "$program prints other modules than barvello-cli"
  local rc=0 ours theirs
  ours=$("$program" bcEan13 4006381X3393 2>&1 >/dev/null) || rc=$?
  [ "$rc" = 1 ] || fail "$program exits $rc, not 1, on a refused text"
  theirs=$("$CLI" -s bcEan13 -d 4006381X3393 --pattern 2>&1 >/dev/null || true)
  local id=${ours%%:*}
  [[ "$id" == er* && "$theirs" == "barvello-cli: $id:"* ]] ||
    fail "error identifiers differ: '$ours' against '$theirs'"
  echo "$program: $((${#PAIRS[@]} / 2)) texts as barvello-cli prints them; a refused text gives $id"
}

case $step in
install)
  rm -rf "$WORK"
  mkdir -p "$WORK"
  for component in libraries development; do
    "$CMAKE" --install "$BUILD_DIR" --prefix "$prefix" --component "$component" >/dev/null
  done
  soname=$(readelf -d "$lib/libbarvello-engine.so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
  [ "$soname" = "libbarvello-engine.so.$SOVERSION" ] || fail "soname '$soname'"
  [ -f "$lib/libbarvello-engine.so.$VERSION" ] || fail "no libbarvello-engine.so.$VERSION"
  # The public headers are installed, the encoders' own are not.
  for h in engine/barcode.h engine/errors.h engine/export.h engine/matrix/matrix.h; do
    [ -f "$prefix/include/barvello/$h" ] || fail "$h is not installed"
  done
  for h in engine/encoders.h engine/matrix/qrcode.h engine/matrix/reedsolomon.h engine/linear/code128.h; do
    [ ! -e "$prefix/include/barvello/$h" ] || fail "internal header $h is installed"
  done
  echo "installed into $prefix (soname $soname)"
  ;;

symbols)
  # Demangled names, without the ABI tags ("f[abi:cxx11](int)" reads "f(int)").
  exported=$(nm -DC --defined-only "$lib/libbarvello-engine.so" | sed 's/\[abi:[a-z0-9]*\]//g')
  # Every name of the archive, hidden or not: an internal name checked below must still
  # exist in the engine, or the check would pass for nothing.
  archive=$(nm -C --defined-only "$BUILD_DIR/libbarvello-engine.a" 2>/dev/null | sed 's/\[abi:[a-z0-9]*\]//g')
  for name in 'ks::TksBarcodeComponent::TksBarcodeComponent(' 'ks::TksBarcodeComponent::EncodeBars(' \
              'ks::TksBarcodeComponent::SetBarCode(' 'ks::TksMatrix::' 'ks::SymbologyFromName(' \
              'ks::ErrorCodeIdentifier(' 'ks::FromUtf8' 'ks::kBarcodeErrors' \
              'typeinfo for ks::ksBarcodeException' 'typeinfo for ks::Exception'; do
    grep -qF "$name" <<<"$exported" || fail "public name $name is not exported"
  done
  for name in 'ks::EncodeEan13(' 'ks::EncodeQRCode(' 'ks::TksQRCode::' 'ks::TksReedSolomon::' \
              'ks::QrBlockEcc(' 'ks::DmPlacement(' 'ks::IntToBits(' 'ks::CheckBookNumber('; do
    grep -qF "$name" <<<"$archive" || fail "$name is no longer in the engine: update this list"
    ! grep -qF "$name" <<<"$exported" || fail "internal name $name is exported"
  done
  echo "exported: $(grep -c ' ks::' <<<"$exported") names of ks; the internal names checked are hidden"
  ;;

cmake)
  rm -rf "$WORK/consumer"
  "$CMAKE" -S "$SOURCE_DIR/examples/engine-consumer" -B "$WORK/consumer" -G "$GENERATOR" \
    -DCMAKE_CXX_COMPILER="$CXX" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  "$CMAKE" --build "$WORK/consumer" >/dev/null
  compare_with_cli "$WORK/consumer/engine-consumer"

  if [ "$WITH_QT" != 1 ]; then
    echo "built without the Qt libraries: barcode-to-png and the Qt components not checked"
    exit 0
  fi
  # The example with the Qt libraries: a PNG written through the export component reads
  # back with a real decoder.
  [ -x "$WORK/consumer/barcode-to-png" ] || fail "barcode-to-png was not built (Barvello::output not found)"
  png=$WORK/consumer/qr.png
  "$WORK/consumer/barcode-to-png" bcQRCode "Barvello 0.1" "$png" 2>/dev/null
  read=$(ZXingReader -1 "$png")
  [[ "$read" == *'QRCode "Barvello 0.1"'* ]] || fail "the PNG reads as: $read"
  echo "barcode-to-png: $read"

  # Asking for the engine alone defines no Qt target and does not look for Qt.
  mkdir -p "$WORK/components"
  cat >"$WORK/components/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(components CXX)
find_package(Barvello CONFIG REQUIRED COMPONENTS engine)
if(NOT TARGET Barvello::engine OR TARGET Barvello::output OR DEFINED Qt6_FOUND)
  message(FATAL_ERROR "COMPONENTS engine: engine target missing, or Qt looked for")
endif()
find_package(Barvello CONFIG REQUIRED COMPONENTS output)
if(NOT TARGET Barvello::output OR NOT TARGET Barvello::render)
  message(FATAL_ERROR "COMPONENTS output: no Barvello::output or Barvello::render")
endif()
CMAKE
  "$CMAKE" -S "$WORK/components" -B "$WORK/components/build" -G "$GENERATOR" \
    -DCMAKE_PREFIX_PATH="$prefix" >/dev/null || fail "find_package(Barvello COMPONENTS ...)"
  echo "COMPONENTS engine finds no Qt; COMPONENTS output finds render and output"
  ;;

pkgconfig)
  export PKG_CONFIG_PATH=$lib/pkgconfig
  version=$(pkg-config --modversion barvello-engine)
  [ "$version" = "$VERSION" ] || fail "pkg-config version $version"
  flags=$(pkg-config --cflags --libs barvello-engine)
  mkdir -p "$WORK/pkgconfig"
  out=$WORK/pkgconfig/engine-consumer
  # shellcheck disable=SC2086  # the flags are words
  "$CXX" -std=c++20 "$SOURCE_DIR/examples/engine-consumer/engine_consumer.cpp" $flags -o "$out"
  LD_LIBRARY_PATH=$lib compare_with_cli "$out"
  # Every installed engine header compiles with these flags alone.
  includes=$(cd "$prefix/include" && find barvello/engine -name '*.h' | sort | sed 's/.*/#include <&>/')
  # shellcheck disable=SC2086
  "$CXX" -std=c++20 -fsyntax-only $(pkg-config --cflags barvello-engine) -x c++ - <<<"$includes" ||
    fail "the installed engine headers do not compile on their own"
  echo "pkg-config: $flags; $(wc -l <<<"$includes") engine headers compile"
  ;;

*)
  fail "unknown step $step"
  ;;
esac

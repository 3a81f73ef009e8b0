#!/usr/bin/env bash
# Runs fuzz targets one after the other for a bounded time each.
#   tests/fuzz/run.sh BUILD_DIR SECONDS TARGET...
# Each target starts from its committed corpus (tests/fuzz/corpus/<target>) and grows a
# working copy in BUILD_DIR/fuzz-corpus/<target>; inputs that fail are written to
# BUILD_DIR/fuzz-findings/. Exits non-zero when any target reports a crash, a leak, a
# timeout, running out of memory or a sanitizer finding.
set -uo pipefail

build=$1
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
findings="$build/fuzz-findings"
mkdir -p "$findings"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/../lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

status=0
for target in "$@"; do
  work="$build/fuzz-corpus/$target"
  mkdir -p "$work"
  log="$build/fuzz-$target.log"
  echo "fuzz: $target for $seconds s (log: $log)"
  "$build/tests/fuzz/$target" "$work" "$here/corpus/$target" \
    -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$findings/$target-" >"$log" 2>&1
  rc=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  if [ $rc -ne 0 ]; then
    echo "fuzz: $target FAILED (exit $rc) after ${runs:-?} executions; see $log and $findings"
    grep -E 'ERROR|SUMMARY|runtime error|fuzz_[a-z]+:' "$log" | head -5
    status=1
  else
    echo "fuzz: $target ok, ${runs:-?} executions"
  fi
done
exit $status

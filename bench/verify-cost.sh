#!/usr/bin/env bash
# The cost of --verify in barvello-cli: every benchmark workload as a batch of PNG files
# (the workload's data texts and pixel size, one thread, files on a RAM disk), run with
# and without --verify. Prints the files per second barvello-cli reports in its summary
# line (the start of the process left out), medians of REPEAT runs, and their ratio.
#
# Usage: bench/verify-cost.sh [BUILD_DIR]     (default build/perf; needs barvello-cli
#        and bench_inputs built there)
# Environment: SCALE (lines per batch, times the workload's count; default 1),
#              REPEAT (runs per figure; default 3), THREADS (default 1).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/perf}
scale=${SCALE:-1}
repeat=${REPEAT:-3}
threads=${THREADS:-1}
out=$(mktemp -d /dev/shm/barvello-verify-XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$out"' EXIT

cli=$build/barvello-cli
inputs=$build/bench/bench_inputs
for f in "$cli" "$inputs"; do
  if [[ ! -x $f ]]; then
    echo "missing $f: build barvello-cli and bench_inputs in $build first" >&2
    exit 2
  fi
done
mkdir -p "$out/in" "$out/files"
"$inputs" "$out/in" "$scale"

median() { sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

# Files per second of one batch run, from its summary line.
rate() {
  rm -f "$out"/files/*
  "$cli" "$@" 2>&1 >/dev/null | sed -n 's/.*(\([0-9.]*\) files\/s.*/\1/p' | tail -1
}

echo "Machine: $(nproc) cores; load average: $(cut -d' ' -f1-3 /proc/loadavg); $threads thread(s)"
printf '%-12s %6s %12s %12s %8s\n' workload lines plain verified ratio
while IFS=$'\t' read -r name lines symbology sets width height _; do
  args=(-s "$symbology" -W "$width" -H "$height" --batch "$out/in/$name.txt" -o "$out/files/%06d.png"
        --threads "$threads")
  [[ $sets != - ]] && read -r -a extra <<<"$sets" && args+=("${extra[@]}")
  plain=$(for _ in $(seq "$repeat"); do rate "${args[@]}"; done | median)
  verified=$(for _ in $(seq "$repeat"); do rate "${args[@]}" --verify; done | median)
  printf '%-12s %6s %12.0f %12.0f %7.2fx\n' "$name" "$lines" "$plain" "$verified" \
    "$(awk -v a="$verified" -v b="$plain" 'BEGIN {print (b > 0 ? a / b : 0)}')"
done <"$out/in/workloads.tsv"

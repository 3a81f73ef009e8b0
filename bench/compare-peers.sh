#!/usr/bin/env bash
# Runs the benchmark workloads through zint (the peer) and through Barvello side by side
# on this machine and prints the figures with their ratios:
#   - the start of the process: `barvello-cli --version` and `zint --version`;
#   - PNG files per second: `zint --batch` and `barvello-cli --batch` (one thread in the
#     default smallest exact form and with --png-truecolor, and two threads), same data,
#     same pixel sizes, files written to a RAM disk; the mean file size of both;
#   - encodings per second without an image: libzint against the engine, when the
#     libzint benchmark was built;
#   - the largest symbols painted into the preview of the main window.
# Every figure is the median of REPEAT runs. Files per second are lines divided by the
# wall-clock time of the whole command, start-up included, for both programs, and also by
# its CPU time (user and system), which other work on a shared machine disturbs less. The
# two-thread columns compare wall-clock rates, of the whole commands and as barvello-cli
# reports them in its summary line (without the start of the process).
#
# It installs nothing. zint comes from Debian:  apt-get install zint libzint-dev
# (libzint-dev only for the encode-only comparison; configure again after installing).
#
# Usage: bench/compare-peers.sh [BUILD_DIR]      (default build/perf, configured with
#        cmake -S . -B build/perf -G Ninja -DCMAKE_BUILD_TYPE=Release)
# Environment: SCALE (lines per batch, times the workload's count; default 1),
#              REPEAT (runs per figure; default 3), OUT (work folder; default a folder
#              in /dev/shm).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/perf}
scale=${SCALE:-1}
repeat=${REPEAT:-3}
out=${OUT:-/dev/shm/barvello-compare-$$}

cli=$build/barvello-cli
inputs=$build/bench/bench_inputs
bench=$build/bench/barvello_encode_bench
ibench=$build/bench/barvello_image_bench
zbench=$build/bench/zint_encode_bench

if ! command -v zint >/dev/null 2>&1; then
  echo "zint is not installed. On Debian: apt-get install zint libzint-dev" >&2
  exit 2
fi
for f in "$cli" "$inputs" "$bench" "$ibench"; do
  if [[ ! -x $f ]]; then
    echo "missing $f: build it first, e.g." >&2
    echo "  cmake -S $here -B $build -G Ninja -DCMAKE_BUILD_TYPE=Release && ninja -C $build barvello-cli bench_inputs barvello_encode_bench barvello_image_bench zint_encode_bench" >&2
    exit 2
  fi
done

mkdir -p "$out/in"
trap 'rm -rf "$out"' EXIT
"$inputs" "$out/in" "$scale"

# A command's wall-clock seconds, its CPU seconds (user and system) and, for a
# barvello-cli batch, its own rate (files per second from the summary line, without the
# process start-up; 0 for zint), as "WALL CPU RATE"; its output is discarded. On a
# machine shared with other work the CPU time is the steadier measure of one thread.
run() {
  local TIMEFORMAT='%R %U %S' log=$out/run.log times
  times=$({ time "$@" >/dev/null 2>"$log"; } 2>&1) || true
  awk -v r="$(sed -n 's/.*(\([0-9.]*\) files\/s.*/\1/p' "$log" | tail -1)" '{print $1, $2 + $3, r + 0}' <<<"$times"
}

median() { sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

echo "Machine: $(nproc) cores, $(uname -m); load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "zint: $(zint --version 2>&1 | head -1)"
echo
# Milliseconds of wall-clock time a short command takes, median of 20 runs.
startup() {
  local times=() start end i
  for ((i = 0; i < 20; i++)); do
    start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1 || true
    end=$EPOCHREALTIME
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN {print (b - a) * 1000}')")
  done
  printf '%s\n' "${times[@]}" | median
}
echo "Process start-up, ms, median of 20: barvello-cli --version $(startup "$cli" --version)," \
  "zint --version $(startup zint --version)"
echo
echo "PNG files per second (median of $repeat runs; files on $(df --output=fstype "$out" | tail -1))"
echo "  ours: the default smallest exact PNG; tc: true colour (--png-truecolor); one thread unless 2T"
echo "  wall: lines / wall-clock seconds of the whole command; cpu: lines / its CPU seconds"
echo "  2T/1T: wall-clock rates of the whole commands; 2T/1T batch: the rates in the summary lines"
echo "  B: mean file size in bytes"
printf '%-11s %6s | %7s %7s %6s %7s %6s | %7s %7s %6s %7s %6s | %7s %6s %6s | %6s %6s %6s\n' workload lines \
  "zint" "ours" "/zint" "tc" "/zint" "zint" "ours" "/zint" "tc" "/zint" "ours2T" "2T/1T" "batch" "zint B" "ours B" "/zint"
printf '%-11s %6s | %34s | %34s | %21s |\n' "" "" "files/s, wall clock" "files per CPU second" "two threads, wall"
while IFS=$'\t' read -r name lines symbology sets width height zargs; do
  input=$out/in/$name.txt
  [[ $sets == - ]] && sets=
  zt=() zc=() o1=() c1=() t1=() tc=() o2=() b1=() b2=()
  for ((r = 0; r < repeat; r++)); do
    rm -rf "$out/z" "$out/b1" "$out/t1" "$out/b2"
    mkdir -p "$out/z" "$out/b1" "$out/t1" "$out/b2"
    # shellcheck disable=SC2086  # the option lists are split on purpose
    read -r w c rate < <(run zint $zargs --batch --filetype=PNG -i "$input" -o "$out/z/~~~~~.png")
    zt+=("$w") zc+=("$c")
    # shellcheck disable=SC2086
    read -r w c rate < <(run "$cli" -s "$symbology" $sets -W "$width" -H "$height" --batch "$input" -o "$out/b1/%05d.png" --threads 1)
    o1+=("$w") c1+=("$c") b1+=("$rate")
    # shellcheck disable=SC2086
    read -r w c rate < <(run "$cli" -s "$symbology" $sets -W "$width" -H "$height" --png-truecolor --batch "$input" -o "$out/t1/%05d.png" --threads 1)
    t1+=("$w") tc+=("$c")
    # shellcheck disable=SC2086
    read -r w c rate < <(run "$cli" -s "$symbology" $sets -W "$width" -H "$height" --batch "$input" -o "$out/b2/%05d.png" --threads 2)
    o2+=("$w") b2+=("$rate")
  done
  written=$(find "$out/b1" -name '*.png' | wc -l)
  zwritten=$(find "$out/z" -name '*.png' | wc -l)
  if [[ $written -ne $lines || $zwritten -ne $lines ]]; then
    echo "$name: expected $lines files, zint wrote $zwritten and barvello-cli $written" >&2
  fi
  m() { printf '%s\n' "$@" | median; }
  zb=$(find "$out/z" -name '*.png' -printf '%s\n' | awk '{s += $1} END {print (NR ? s / NR : 0)}')
  ob=$(find "$out/b1" -name '*.png' -printf '%s\n' | awk '{s += $1} END {print (NR ? s / NR : 0)}')
  awk -v n="$name" -v l="$lines" -v zw="$(m "${zt[@]}")" -v ow="$(m "${o1[@]}")" -v tw="$(m "${t1[@]}")" \
    -v zc="$(m "${zc[@]}")" -v oc="$(m "${c1[@]}")" -v tc="$(m "${tc[@]}")" -v w2="$(m "${o2[@]}")" \
    -v g1="$(m "${b1[@]}")" -v g2="$(m "${b2[@]}")" -v zb="$zb" -v ob="$ob" 'BEGIN {
      printf "%-11s %6d | %7.0f %7.0f %5.2fx %7.0f %5.2fx | %7.0f %7.0f %5.2fx %7.0f %5.2fx | %7.0f %5.2fx %5.2fx | %6.0f %6.0f %5.2fx\n",
        n, l, l / zw, l / ow, zw / ow, l / tw, zw / tw, l / zc, l / oc, zc / oc, l / tc, zc / tc,
        l / w2, ow / w2, (g1 > 0 ? g2 / g1 : 0), zb, ob, (zb > 0 ? ob / zb : 0)}'
done <"$out/in/workloads.tsv"

# Items per second of a Google Benchmark run, by benchmark name (median aggregate).
rates() {
  "$@" --benchmark_repetitions="$((repeat < 2 ? 2 : repeat))" --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
    awk -F, '$1 ~ /_median"?$/ {gsub(/"/, "", $1); sub(/_median$/, "", $1); sub(/^[^\/]*\//, "", $1); print $1, $7}'
}

echo
if [[ -x $zbench ]]; then
  echo "Encodings per second without an image (median of $repeat repetitions)"
  printf '%-14s %12s %12s %8s\n' workload libzint ours ratio
  join <(rates "$zbench" --benchmark_filter='^ZintEncode/' | sort) <(rates "$bench" --benchmark_filter='^Encode/' | sort) |
    awk '{printf "%-14s %12.0f %12.0f %7.2fx\n", $1, $2, $3, $3 / $2}'
else
  echo "Encode-only comparison skipped: $zbench not built (needs libzint-dev when configuring)."
fi

echo
echo "Largest symbols painted into the preview (251 x 178) and the largest preview (1000 x 500)"
"$ibench" --benchmark_filter="^Preview" --benchmark_repetitions="$((repeat < 2 ? 2 : repeat))" --benchmark_report_aggregates_only=true 2>/dev/null |
  awk '/_median/ {printf "%-34s %8.2f ms\n", $1, $2}'

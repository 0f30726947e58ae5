#!/usr/bin/env bash
# Measures `ordane-cli compile` on the maximal project as a whole process: wall-clock time
# and peak memory (from /usr/bin/time -v), then runs the in-process benchmarks of
# ordane_bench. RUNS (default 20) sets the number of measured runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build build/dev --target ordane-cli ordane_bench >/dev/null

bin=build/dev/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin/ordane_bench" --write-project "$work/Maximal"
runs=${RUNS:-20}

# GNU time counts in hundredths of a second, too coarse here: the wall-clock time of each
# run is taken from bash's microsecond clock, the peak memory from /usr/bin/time -v.
for ((i = 1; i <= runs; i++)); do
  start=$EPOCHREALTIME
  "$bin/ordane-cli" compile "$work/Maximal"
  end=$EPOCHREALTIME
  echo "$start $end" | awk '{ printf "%.3f\n", ($2 - $1) * 1000 }' >> "$work/wall.txt"
  /usr/bin/time -v -o "$work/time.txt" "$bin/ordane-cli" compile "$work/Maximal"
  awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt" >> "$work/rss.txt"
done

echo "ordane-cli compile, maximal project, $runs runs:"
sort -n "$work/wall.txt" | awk '{ t[NR] = $1 }
  END { printf "  wall-clock time: median %.2f ms, fastest %.2f ms, slowest %.2f ms\n", t[int((NR + 1) / 2)], t[1], t[NR] }'
sort -n "$work/rss.txt" | awk '{ r[NR] = $1 }
  END { printf "  peak memory (maximum resident set size): median %d KiB, largest %d KiB\n", r[int((NR + 1) / 2)], r[NR] }'
ls -l "$work/Maximal/bin" | awk 'NR > 1 { printf "  %s %d bytes\n", $9, $5 }'

echo
"$bin/ordane_bench" --benchmark_min_time=0.5

#!/usr/bin/env bash
# Runs every fuzz target for SECONDS (default 60) each. New inputs go to build/fuzz/work/;
# the committed corpora in fuzz/corpus/ stay small. Crashes are written as
# build/fuzz/crash-<target>-*; keep each in fuzz/corpus/<target>/ once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
scripts/deps.sh
scripts/build.sh fuzz
for program in build/fuzz/bin/fuzz_*; do
  name="${program##*/fuzz_}"
  work="build/fuzz/work/$name"
  mkdir -p "$work"
  echo "== $name ($seconds s)"
  "$program" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="build/fuzz/crash-$name-" "$work" "fuzz/corpus/$name" 2>&1 |
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==.*ERROR|SUMMARY|artifact_prefix|Test unit written)' || true
done

#!/usr/bin/env bash
# Runs every fuzz target (or those named after SECONDS) for SECONDS (default 60) each.
# New inputs go to build/fuzz/work/; the committed corpora in fuzz/corpus/ stay small.
# Crashes are written as build/fuzz/crash-<target>-*; keep each in fuzz/corpus/<target>/
# once fixed. A target uses fuzz/dict/<target>.dict, or the document tokens.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
scripts/deps.sh
scripts/build.sh fuzz

# The targets save documents into scratch folders: on a memory file system the atomic
# writes' fsync costs nothing, on a disk it dominates the run.
scratch_root=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch_root=/dev/shm
export TMPDIR
TMPDIR="$(mktemp -d "$scratch_root/ordane-fuzz.XXXXXX")"
trap 'rm -rf "$TMPDIR"' EXIT

if [ $# -gt 0 ]; then
  programs=()
  for name in "$@"; do programs+=("build/fuzz/bin/fuzz_$name"); done
else
  programs=(build/fuzz/bin/fuzz_*)
fi

for program in "${programs[@]}"; do
  name="${program##*/fuzz_}"
  work="build/fuzz/work/$name"
  mkdir -p "$work"
  dict="fuzz/dict/$name.dict"
  [ -f "$dict" ] || dict=fuzz/dict/documents.dict
  # The workbook reader's processes die quietly on FreeXL's own faults; their unread reports
  # would cost more than the runs. Replay a crash file to see a report's symbols.
  options="${ASAN_OPTIONS:-}"
  [ "$name" = workbook_xls ] && options="quarantine_size_mb=8:symbolize=0${options:+:$options}"
  echo "== $name ($seconds s)"
  ASAN_OPTIONS="$options" "$program" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
    -dict="$dict" -artifact_prefix="build/fuzz/crash-$name-" "$work" "fuzz/corpus/$name" 2>&1 |
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==.*ERROR|SUMMARY|artifact_prefix|Test unit written|broken promise)|runtime error|deadly signal|uncaught exception|terminate called|what\(\)' || true
done

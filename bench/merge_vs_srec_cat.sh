#!/usr/bin/env bash
# Merges banks 1 and 2 into a 5 MB S-record template with `ordane-cli merge` and with
# `srec_cat` doing the same replacement, checks that both carry the same data, and copies
# the template with `cp` (one read and one write: the floor). The three run in turn, RUNS
# rounds in one run of this script; it prints the best time of each, the ratios against
# the goals (merge <= 0.25 x srec_cat, <= 4 x cp) and the merge's peak memory against its
# goal (2 x the template's size + 8 MB). Exits 1 when a goal is missed.
#   bench/merge_vs_srec_cat.sh [RUNS]      (ORDANE_CLI=path overrides the program)
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-10}"
cli="${ORDANE_CLI:-build/dev/bin/ordane-cli}"
if [ -z "${ORDANE_CLI:-}" ]; then
  cmake --preset dev >/dev/null
  cmake --build build/dev --target ordane-cli >/dev/null
fi
command -v srec_cat >/dev/null || { echo "srec_cat is missing: apt-get install srecord" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/P/bin"

# Code records below the banks, all five bank ranges filled, an S9 at the end: 5 MB.
python3 - "$work/SX40218.sx" <<'PY'
import os, sys
def record(address, data):
    body = bytes([len(data) + 4]) + address.to_bytes(3, "big") + data
    return "S2%s%02X\r\n" % (body.hex().upper(), ~sum(body) & 0xFF)
banks = [record(first + a, os.urandom(32))
         for first in range(0x388000, 0x3D8000, 0x10000) for a in range(0, 0x4000, 32)]
header, end = "S00600004844521B\r\n", "S9030000FC\r\n"
room = 5 * 1024 * 1024 - len(header) - len(end) - sum(map(len, banks))
code = [record(0x100000 + 32 * k, os.urandom(32)) for k in range(room // len(banks[0]))]
open(sys.argv[1], "w", newline="").write(header + "".join(code) + "".join(banks) + end)
PY
head -c 16384 /dev/urandom >"$work/P/bin/bank1.bin"
head -c 16384 /dev/urandom >"$work/P/bin/bank2.bin"
echo "template: $(wc -c <"$work/SX40218.sx") bytes, $(wc -l <"$work/SX40218.sx") lines"

ordane() { "$cli" merge "$work/P" "$work/SX40218.sx" >/dev/null; }
peer() {
  srec_cat "$work/SX40218.sx" -exclude 0x388000 0x38C000 -exclude 0x398000 0x39C000 \
    "$work/P/bin/bank1.bin" -binary -offset 0x388000 \
    "$work/P/bin/bank2.bin" -binary -offset 0x398000 \
    -o "$work/peer.sx" -address-length=3 -output-block-size=32
}
copy() { cp "$work/SX40218.sx" "$work/copy.sx"; }

# Wall time in microseconds of one run of "$1", from bash's microsecond clock.
took() {
  local start=$EPOCHREALTIME
  "$1"
  local end=$EPOCHREALTIME
  echo $(( (10#${end/./} - 10#${start/./}) ))
}

declare -A fastest=([ordane]=0 [peer]=0 [copy]=0)
for _ in $(seq "$runs"); do
  for what in ordane peer copy; do
    t=$(took "$what")
    if [ "${fastest[$what]}" -eq 0 ] || [ "$t" -lt "${fastest[$what]}" ]; then fastest[$what]=$t; fi
  done
done
srec_cmp "$work/P/New_SX40218.sx" "$work/peer.sx" ||
  { echo "the two merged files differ in their data" >&2; exit 1; }

/usr/bin/time -v -o "$work/time.txt" "$cli" merge "$work/P" "$work/SX40218.sx" >/dev/null
rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
size=$(wc -c <"$work/SX40218.sx")

awk -v ours="${fastest[ordane]}" -v theirs="${fastest[peer]}" -v copy="${fastest[copy]}" \
    -v runs="$runs" -v rss="$rss" -v size="$size" 'BEGIN {
  printf "ordane-cli merge: %8.2f ms (best of %d)\n", ours / 1000, runs
  printf "srec_cat:         %8.2f ms (best of %d)\n", theirs / 1000, runs
  printf "cp:               %8.2f ms (best of %d)\n", copy / 1000, runs
  limit = 2 * size / 1024 + 8 * 1024
  missed = 0
  missed += report("ratio ordane-cli / srec_cat", ours / theirs, 0.25)
  missed += report("ratio ordane-cli / cp", ours / copy, 4)
  printf "peak memory of the merge: %d KiB (goal <= %d KiB: 2 x %d bytes + 8 MB) %s\n",
         rss, limit, size, rss <= limit ? "met" : "MISSED"
  missed += rss > limit
  exit missed > 0
}
function report(name, ratio, goal) {
  printf "%-28s %6.2f (goal <= %.2f) %s\n", name ":", ratio, goal, ratio <= goal ? "met" : "MISSED"
  return ratio > goal
}'

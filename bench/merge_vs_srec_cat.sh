#!/usr/bin/env bash
# Merges banks 1 and 2 into a 5 MB S-record template with `ordane-cli merge` and with
# `srec_cat` doing the same replacement, checks that both carry the same data, and prints
# the best of several runs of each and their ratio.
#   bench/merge_vs_srec_cat.sh [RUNS]      (ORDANE_CLI=path overrides the program)
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-5}"
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

best() { # best wall time in microseconds of `runs` runs of "$1"
  local fastest=0 start end took
  for _ in $(seq "$runs"); do
    start=$(date +%s%N); "$1"; end=$(date +%s%N)
    took=$(( (end - start) / 1000 ))
    if [ "$fastest" -eq 0 ] || [ "$took" -lt "$fastest" ]; then fastest=$took; fi
  done
  echo "$fastest"
}

ours=$(best ordane)
theirs=$(best peer)
srec_cmp "$work/P/New_SX40218.sx" "$work/peer.sx" ||
  { echo "the two merged files differ in their data" >&2; exit 1; }

awk -v ours="$ours" -v theirs="$theirs" -v runs="$runs" 'BEGIN {
  printf "ordane-cli merge: %8.1f ms (best of %d)\n", ours / 1000, runs
  printf "srec_cat:         %8.1f ms (best of %d)\n", theirs / 1000, runs
  printf "ratio ordane-cli / srec_cat: %.2f\n", ours / theirs
}'

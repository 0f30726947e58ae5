#!/usr/bin/env bash
# Measures `ordane-cli simulate` as a whole process on the maximal project (100 received and
# 100 transmitted frames, 344 + 1538 SDO entries, 4 TPDOs and 4 RPDOs): log lines per second
# and peak memory (from /usr/bin/time -v), for a 1-million-line log and, to show that memory
# does not grow with the log, a 3-million-line one. Both TPDO modes are run. RUNS (default 3)
# sets the number of measured runs per case.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build build/dev --target ordane-cli ordane_bench >/dev/null

bin=build/dev/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin/ordane_bench" --write-project "$work/Maximal"
cp -r "$work/Maximal" "$work/OnChange"
sed -i 's#<Sent_TPDO>0</Sent_TPDO>#<Sent_TPDO>1</Sent_TPDO>#' "$work/OnChange/pargen.xml"
runs=${RUNS:-3}

# A vehicle-like log: the 100 received frames (PGN 0xFE00 + k from source address k) every
# 10 ms with changing data, a frame that no row receives, and now and then an SDO upload, an
# SDO download and an RPDO of the master (node 0x10).
generate() {
  /usr/bin/python3 - "$1" "$2" <<'PY'
import sys
path, lines = sys.argv[1], int(sys.argv[2])
t = 1700000000_000000
n = 0
with open(path, "w") as f:
    out = []
    while n < lines:
        for k in range(100):
            out.append("(%d.%06d) j1939 18%04X%02X#%02X%02X%02X%02X0000FFFF\n"
                       % (t // 1000000, t % 1000000, 0xFE00 + k, k, n & 0xFF, (n >> 8) & 0xFF, k, (n >> 4) & 0xFF))
            t += 90
            n += 1
        out.append("(%d.%06d) j1939 18FECA17#00FF000000000000\n" % (t // 1000000, t % 1000000))
        n += 1
        if n % 1000 < 102:
            out.append("(%d.%06d) canopen 610#4000210000000000\n" % (t // 1000000, t % 1000000))
            out.append("(%d.%06d) canopen 610#2F00220101000000\n" % (t // 1000000, t % 1000000))
            out.append("(%d.%06d) canopen 401#1122334455667788\n" % (t // 1000000, t % 1000000))
            n += 3
        t += 1000
        if len(out) > 10000:
            f.write("".join(out))
            out = []
    f.write("".join(out))
PY
}

measure() { # project log label
  local project=$1 log=$2 label=$3 lines
  lines=$(wc -l < "$log")
  rm -f "$work/wall.txt" "$work/rss.txt"
  for ((i = 1; i <= runs; i++)); do
    /usr/bin/time -v -o "$work/time.txt" "$bin/ordane-cli" simulate "$project" "$log" \
      --out "$work/out.log" --values "$work/values.csv" > "$work/summary.txt"
    awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$work/time.txt" >> "$work/wall.txt"
    awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt" >> "$work/rss.txt"
  done
  local out_lines
  out_lines=$(wc -l < "$work/out.log")
  sort -n "$work/wall.txt" | awk -v lines="$lines" -v label="$label" -v out="$out_lines" '{ t[NR] = $1 }
    END { m = t[int((NR + 1) / 2)]; printf "%s: %d lines in, %d frames out; median %.2f s = %.2f million lines/s (fastest %.2f s)\n", label, lines, out, m, lines / m / 1e6, t[1] }'
  sort -n "$work/rss.txt" | awk '{ r[NR] = $1 } END { printf "  peak memory (maximum resident set size): median %d KiB, largest %d KiB\n", r[int((NR + 1) / 2)], r[NR] }'
}

generate "$work/1M.log" 1000000
generate "$work/3M.log" 3000000
echo "ordane-cli simulate, $runs runs each ($(nproc) cores):"
measure "$work/Maximal" "$work/1M.log" "cyclic TPDOs, 1M-line log"
measure "$work/Maximal" "$work/3M.log" "cyclic TPDOs, 3M-line log"
measure "$work/OnChange" "$work/1M.log" "on-change TPDOs, 1M-line log"
measure "$work/OnChange" "$work/3M.log" "on-change TPDOs, 3M-line log"
echo "Summary of the last run:"
sed -n '/^Log:/,$p' "$work/summary.txt" | grep -v '^  row' | head -20

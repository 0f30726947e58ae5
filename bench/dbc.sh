#!/usr/bin/env bash
# Measures the DBC import as a whole process on a generated database of 3,000 J1939
# messages and 15,000 signals (the size of the full databases engineers buy): wall-clock
# time and peak memory of `ordane-cli import ... --pgn ... --map-signals`, which reads and
# checks the whole file, reads every message as J1939 and writes one frame and its mapping.
# Goal: at most 0.5 s and 64 MB. Then the selection dialog on the same file (offscreen):
# the time until it is drawn (goal under 1 s) and the slowest key typed into its filter box.
# RUNS (default 10) sets the number of measured runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build build/dev --target ordane-cli ordane_dbc_dialog_bench >/dev/null

bin=build/dev/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/Project"

# 3,000 messages: PDU2 and PDU1, both byte orders, comments, SPNs and value tables, in the
# shape a vendor database has; CR LF line ends.
/usr/bin/python3 - "$work/big.dbc" <<'PY'
import sys
out = ['VERSION ""', '', 'NS_ :', '\tCM_', '\tBA_DEF_', '\tBA_', '\tVAL_', '', 'BS_:', '',
       'BU_: Engine Gateway Body Cab', '']
attrs, comments, values = [], [], []
for m in range(3000):
    pf = 0xF0 + m % 16 if m % 3 else m % 0xF0
    ps = (m // 16) % 256
    sa = m % 250
    ident = 0x80000000 | (6 << 26) | (pf << 16) | (ps << 8) | sa
    name = "PG%04d" % m
    out.append("BO_ %d %s: 8 Engine" % (ident, name))
    for s in range(5):
        sig = "%s_S%d_LongDescriptiveSignalName" % (name, s)
        if s == 4 and m % 2:
            out.append(' SG_ %s : %d|16@0+ (0.125,0) [0|8031.875] "rpm" Gateway,Body' % (sig, 55))
        else:
            out.append(' SG_ %s : %d|%d@1+ (0.5,-40) [-40|87.5] "degC" Gateway,Body'
                       % (sig, s * 8 + (s % 2) * 2, 8 if s % 2 == 0 else 4))
        attrs.append('BA_ "SPN" SG_ %d %s %d;' % (ident, sig, m * 5 + s))
        comments.append('CM_ SG_ %d %s "Signal %d of parameter group %d, as the standard '
                        'describes it in a sentence or two.";' % (ident, sig, s, m))
        if s == 1:
            values.append('VAL_ %d %s 0 "Off" 1 "On" 2 "Error" 3 "Not available" ;' % (ident, sig))
    out.append('')
out += comments
out += ['BA_DEF_ BO_ "VFrameFormat" ENUM "StandardCAN","ExtendedCAN","reserved","J1939PG";',
        'BA_DEF_ SG_ "SPN" INT 0 524287;', 'BA_DEF_DEF_ "VFrameFormat" "J1939PG";',
        'BA_DEF_DEF_ "SPN" 0;']
out += attrs + values
open(sys.argv[1], 'w', newline='\r\n').write('\n'.join(out) + '\n')
PY
echo "generated: $(grep -c '^BO_ ' "$work/big.dbc") messages, $(grep -c '^ SG_ ' "$work/big.dbc") signals, $(stat -c %s "$work/big.dbc") bytes"

runs=${RUNS:-10}
for ((i = 1; i <= runs; i++)); do
  start=$EPOCHREALTIME
  "$bin/ordane-cli" import "$work/Project" received "$work/big.dbc" --pgn 0xF004 \
    --map-signals 0x2100 --replace-mapping >/dev/null
  end=$EPOCHREALTIME
  echo "$start $end" | awk '{ printf "%.3f\n", ($2 - $1) * 1000 }' >> "$work/wall.txt"
  /usr/bin/time -v -o "$work/time.txt" "$bin/ordane-cli" import "$work/Project" received \
    "$work/big.dbc" --pgn 0xF004 --map-signals 0x2100 --replace-mapping >/dev/null
  awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt" >> "$work/rss.txt"
done

echo "ordane-cli import FILE.dbc, 3000 messages / 15000 signals, $runs runs:"
sort -n "$work/wall.txt" | awk '{ t[NR] = $1 }
  END { printf "  wall-clock time: median %.1f ms, fastest %.1f ms, slowest %.1f ms (goal 500 ms)\n", t[int((NR + 1) / 2)], t[1], t[NR] }'
sort -n "$work/rss.txt" | awk '{ r[NR] = $1 }
  END { printf "  peak memory (maximum resident set size): median %d KiB, largest %d KiB (goal 65536 KiB)\n", r[int((NR + 1) / 2)], r[NR] }'

for ((i = 1; i <= runs; i++)); do
  "$bin/ordane_dbc_dialog_bench" "$work/big.dbc" "PG2999" >> "$work/dialog.txt" 2>/dev/null
done
echo "selection dialog on the same file, $runs runs:"
sort -n "$work/dialog.txt" | awk '{ t[NR] = $1; k[NR] = $2; rows = $3 }
  END { printf "  opened and drawn with %d rows: median %.1f ms, slowest %.1f ms (goal 1000 ms)\n", rows, t[int((NR + 1) / 2)], t[NR] }'
sort -n -k2 "$work/dialog.txt" | awk '{ k[NR] = $2 }
  END { printf "  slowest key typed into the filter (\"PG2999\"): median %.1f ms, worst %.1f ms\n", k[int((NR + 1) / 2)], k[NR] }'

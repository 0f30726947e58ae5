#!/usr/bin/env bash
# Runs ordane-cli on hostile and huge inputs made here: a 100 MB document, a million rows,
# deeply nested XML, a 10 MB attribute, a 1 MB template line, entity definitions, bytes
# that are no UTF-8, garbage, names with quotes, blanks, non-ASCII letters and a leading
# dash. Each run must end within LIMIT seconds (default 60) and MEMORY KiB of address
# space (default 4 GiB) with the outcome expected of it: "ok" (exit 0), "refused" (exit 1
# with a message) or "usage" (exit 2). Prints one line per run: input, command, outcome,
# wall-clock time and peak memory (from /usr/bin/time -v); exits 1 if any run went wrong.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build build/dev --target ordane-cli >/dev/null

cli=$PWD/build/dev/bin/ordane-cli
limit=${LIMIT:-60}
memory=${MEMORY:-4194304}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# --- inputs --------------------------------------------------------------------------
python3 - "$work" "$PWD/examples" <<'EOF'
import os, random, shutil, sys

work, examples = sys.argv[1], sys.argv[2]
random.seed(1939)

def project(name, **documents):
    folder = os.path.join(work, name)
    shutil.copytree(os.path.join(examples, "Demo"), folder)
    for document, data in documents.items():
        with open(os.path.join(folder, document), "wb") as f:
            f.write(data if isinstance(data, bytes) else data.encode())
    return folder

def rows(root, row, count):
    return "<?xml version=\"1.0\"?>\n<%s>\n%s</%s>\n" % (root, ("  %s\n" % row) * count, root)

def write(name, data):
    with open(os.path.join(work, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())

frame = '<row PGN="0xF004" ID_DEV="0" Delete="N" Mnemonic="EEC1 engine speed" />'
sdo = '<row NrPdo="1" Index="8448" SubIndex="1" Dimension="1" B1="5" B2="4" B3="0" B4="0" Pad="%s" />' % ("p" * 30)
pdo = '<row COB-ID="0x181" Dimension="2" Offset="4" Frame_J1939="1" Mnemonic="Engine speed" />'

project("base")
project("rows", **{"RCobDef.xml": rows("COBID", frame, 1000000),
                   "TpdoJ1939.xml": rows("PDOJ1939", pdo, 1000000)})
big = rows("RInfoCob", sdo, 1)
project("big", **{"RInfoCob.xml": rows("RInfoCob", sdo, 100 * 1024 * 1024 // (len(sdo) + 3))})
project("spread", **{"RInfoCob.xml": rows("RInfoCob", "", 0).replace("</RInfoCob>", "".join(
    '<row NrPdo="1" Index="%d" SubIndex="%d" Dimension="1" B1="5" B2="4" B3="0" B4="0" />\n' % (0x2000 + i % 32768, i // 32768)
    for i in range(1000000)) + "</RInfoCob>")})
project("oversized", **{"pargen.xml": open(os.path.join(examples, "Demo", "pargen.xml")).read() + "<!--" + " " * (200 * 1024 * 1024) + "-->"})
depth = 1000000
project("deep", **{"RCobDef.xml": "<COBID><row" + ' PGN="1" ID_DEV="0"><r>' * 1 + "<a>" * depth + "</a>" * depth + "</r></row></COBID>",
                   "TpdoJ1939.xml": "<PDOJ1939>" + "<row>" * depth + "</row>" * depth + "</PDOJ1939>",
                   "pargen.xml": "<GeneralParameter>" + "<x>" * depth + "</x>" * depth + "</GeneralParameter>"})
project("attribute", **{"RCobDef.xml": '<COBID><row PGN="%s" ID_DEV="0" Delete="N" Mnemonic="m"/></COBID>' % ("7" * 10 * 1024 * 1024),
                        "TpdoJ1939.xml": '<PDOJ1939><row COB-ID="0x181" Dimension="2" Offset="4" Frame_J1939="1" Mnemonic="%s"/></PDOJ1939>' % ("m" * 10 * 1024 * 1024)})
laughs = "".join('<!ENTITY l%d "%s">' % (i, ("&l%d;" % (i - 1)) * 10 if i else "lol") for i in range(10))
project("entities", **{"RCobDef.xml": '<?xml version="1.0"?><!DOCTYPE COBID [%s<!ENTITY ext SYSTEM "http://127.0.0.1:9/x"><!ENTITY zero SYSTEM "file:///dev/zero"><!ENTITY %% p SYSTEM "http://127.0.0.1:9/p"> %%p;]><COBID><row PGN="&l9;" ID_DEV="&ext;&zero;" Delete="N" Mnemonic="&l9;"/></COBID>' % laughs,
                       "pargen.xml": open(os.path.join(examples, "Demo", "pargen.xml")).read().replace("<GeneralParameter>", "<!DOCTYPE GeneralParameter [%s]><GeneralParameter>" % laughs, 1).replace("<TimeOut_Data>3", "<TimeOut_Data>&l9;3")})
project("doctype", **{"RCobDef.xml": "<!DOCTYPE COBID [" + "<![" * depth + "]]>" * depth + "]><COBID/>"})
project("bytes", **{"RCobDef.xml": b'<COBID><row PGN="0xF004" ID_DEV="0" Delete="N" Mnemonic="\xff\xfe\x80 \xc3\x28"/><row PGN="\xff1" ID_DEV="0" Delete="N" Mnemonic=""/></COBID>',
                    "TpdoJ1939.xml": '<?xml version="1.0" encoding="UTF-16"?><PDOJ1939><row COB-ID="0x181" Dimension="2" Offset="4" Frame_J1939="1" Mnemonic="\u00e9\u4e2d"/></PDOJ1939>'.encode("utf-16"),
                    "pargen.xml": open(os.path.join(examples, "Demo", "pargen.xml"), "rb").read().replace(b"UTF-8", b"ISO-8859-1").replace(b"<CANType>1", b"<CANType>\xe91")})
project("garbage", **{"RCobDef.xml": bytes(random.getrandbits(8) for _ in range(1 << 20)),
                      "pargen.xml": b"\x00" * 4096})

template = open(os.path.join(examples, "MASTER", "SX40218.sx")).read().splitlines()
long_line = 1024 * 1024
write("line.sx", "\n".join(template[:-1] + ["S2243880" + "A" * long_line, "S1" + "F" * long_line, "X" * long_line, "S2FF399000" + "0" * long_line, template[-1]]) + "\n")
outside = "S2243000%s" % ("00" * 32)
write("huge.sx", "\n".join(template[:-1] + [outside + "00"] * (100 * 1024 * 1024 // 78) + [template[-1]]) + "\n")
write("nolineend.sx", "S2" + "0" * (10 * 1024 * 1024))

write("million.csv", "cobid,id_dev_orig\r\n" + "0xF004,0\r\n" * 1000000)
write("field.csv", "cobid,id_dev_orig\r\n" + "7" * (100 * 1024 * 1024) + ",0\r\n")
write("quotes.csv", "cobid,id_dev_orig\r\n\"" + "\"\"" * (5 * 1024 * 1024) + "\n")
write("garbage.xls", bytes(random.getrandbits(8) for _ in range(1 << 20)))
fixture = open(os.path.join(examples, "..", "tests", "documents", "fixtures", "frames.xls"), "rb").read()
write("truncated.xls", fixture[:len(fixture) // 2])

odd = os.path.join(work, "-root 'q\" \u00e9\u00df")
os.mkdir(odd)
shutil.copy(os.path.join(examples, "MASTER", "SX40218.sx"), os.path.join(odd, "-fw 'q\" \u00e9.sx"))
with open(os.path.join(odd, "-wb 'q\" \u00e9.csv"), "w") as f:
    f.write("cobid,id_dev_orig\r\n0xF004,0\r\n0xFEEE,3\r\n")
EOF
ln -s /dev/zero "$work/zero.csv"
mkfifo "$work/fifo.sx"
(cd "$work/base" && "$cli" compile . >/dev/null 2>&1)
for p in line huge nolineend; do cp -r "$work/base" "$work/merge-$p"; done
odd="$work/-root 'q\" éß"
name="-Plant 'q\" éß"

# --- runs ----------------------------------------------------------------------------
failures=0
printf '%-28s %-34s %-9s %-62s %8s %9s\n' input command expected outcome "wall s" "peak MB"
# run LABEL EXPECTED COMMAND [ARGUMENTS...]: the arguments go to ordane-cli.
run() {
  local label=$1 expected=$2
  shift 2
  local status=0
  ( ulimit -v "$memory"
    exec /usr/bin/time -v -o "$work/time.txt" timeout -s KILL "$limit" "$cli" "$@" ) \
    >"$work/out.txt" 2>"$work/err.txt" </dev/null || status=$?
  local wall rss outcome text
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0
    for (i = 1; i <= n; ++i) s = s * 60 + t[i]; printf "%.2f", s }' "$work/time.txt" 2>/dev/null || true)
  rss=$(awk -F': ' '/Maximum resident set size/ { printf "%.0f", $2 / 1024 }' "$work/time.txt" 2>/dev/null || true)
  # The first line the user was told (check lists its failures on standard output),
  # cut to the width of the table.
  local first=err second=out
  [ "$1" != check ] || { first=out; second=err; }
  text=$(head -c 1000 "$work/$first.txt" | head -n 1 | tr -d '\r' | sed "s|$work/||g" | cut -c 1-52)
  [ -n "$text" ] || text=$(head -c 1000 "$work/$second.txt" | head -n 1 | tr -d '\r' | sed "s|$work/||g" | cut -c 1-52)
  local size
  size=$(stat -c %s "$work/err.txt")
  case $status in
    0) outcome=ok ;;
    1) outcome=refused ;;
    2) outcome=usage ;;
    *) outcome="FAILED, status $status" ;;
  esac
  local mark=""
  if [ "$outcome" != "$expected" ] || [ "$size" -gt 65536 ]; then
    mark=" <-- wrong"
    failures=$((failures + 1))
  fi
  printf '%-28s %-34s %-9s %-62s %8s %9s%s\n' "$label" "$(echo "$1 ${*:2}" | sed "s|$work/||g" | cut -c 1-34)" \
    "$expected" "$outcome: $text" "${wall:-?}" "${rss:-?}" "$mark"
}

for cmd in check compile; do
  run "1M rows (RCobDef, Tpdo)" refused $cmd "$work/rows"
  run "100 MB RInfoCob.xml" refused $cmd "$work/big"
  run "1M SDO rows, 32768 indexes" refused $cmd "$work/spread"
  run "200 MB pargen.xml" refused $cmd "$work/oversized"
  run "nesting 1M deep" refused $cmd "$work/deep"
  run "10 MB attribute" refused $cmd "$work/attribute"
  run "entities, external ones" refused $cmd "$work/entities"
  run "DOCTYPE nested 1M deep" "$([ $cmd = check ] && echo refused || echo ok)" $cmd "$work/doctype"
  run "bytes that are no UTF-8" refused $cmd "$work/bytes"
  run "random bytes" refused $cmd "$work/garbage"
done
run "1M rows (RCobDef, Tpdo)" refused eds "$work/rows" "$work/rows.eds"
run "100 MB RInfoCob.xml" refused eds "$work/big" "$work/big.eds"
run "1M SDO rows, 32768 indexes" refused eds "$work/spread" "$work/spread.eds"
run "nesting 1M deep" refused eds "$work/deep" "$work/deep.eds"
run "10 MB attribute" ok eds "$work/attribute" "$work/attribute.eds"
run "entities, external ones" ok eds "$work/entities" "$work/entities.eds"
run "bytes that are no UTF-8" ok eds "$work/bytes" "$work/bytes.eds"
run "1M rows (RCobDef, Tpdo)" refused export "$work/rows" received
run "nesting 1M deep" refused export "$work/deep" received
run "10 MB attribute" ok export "$work/attribute" received
run "entities, external ones" ok export "$work/entities" received
run "bytes that are no UTF-8" ok export "$work/bytes" received

run "1M-line CSV" refused import "$work/base" received "$work/million.csv"
run "CSV field of 100 MB" refused import "$work/base" received "$work/field.csv"
run "CSV quoted field of 10 MB" refused import "$work/base" received "$work/quotes.csv"
run "random bytes as .xls" refused import "$work/base" received "$work/garbage.xls"
run "half an .xls" refused import "$work/base" received "$work/truncated.xls"
run ".csv link to /dev/zero" refused import "$work/base" received "$work/zero.csv"

run "template lines of 1 MB" ok merge "$work/merge-line" "$work/line.sx"
run "template of 100 MB" ok merge "$work/merge-huge" "$work/huge.sx"
run "template: 10 MB, no line end" refused merge "$work/merge-nolineend" "$work/nolineend.sx"
run "template is a FIFO" refused merge "$work/base" "$work/fifo.sx"

run "odd names, no --" usage new "$odd" "$name"
run "odd names" ok new "$odd" -- "$name"
cp "$work/base/"*.xml "$odd/$name/"
run "odd names" ok check -- "$odd/$name"
run "odd names" ok import -- "$odd/$name" received "$odd/-wb 'q\" é.csv"
run "odd names" ok export -- "$odd/$name" received
run "odd names" ok compile -- "$odd/$name"
run "odd names" ok eds -- "$odd/$name" "$odd/-out 'q\" é.eds"
run "odd names" ok merge -- "$odd/$name" "$odd/-fw 'q\" é.sx"
run "255-byte file name" ok eds "$work/base" "$work/$(printf 'e%.0s' {1..251}).eds"

echo
if [ "$failures" -ne 0 ]; then
  echo "$failures runs went wrong"
  exit 1
fi
echo "every run ended as expected"

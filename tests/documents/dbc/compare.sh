#!/usr/bin/env bash
# Compares our DBC reader (dbc_dump) with canmatrix, message by message: PGN, source
# address, priority, data page and every signal's start bit, length and byte order.
# Usage: compare.sh DBC_DUMP FILE.dbc... [--blanks FILE.dbc...]
#          [--source-address ADDR FILE.dbc...]  (one more file is made by
# canconvert from a KCD file written here, so that one fixture comes from another tool).
# canmatrix's line patterns expect single blanks; a file after --blanks, laid out with tabs
# and padded numbers, is read by canmatrix with its blanks made single and by ours as it is.
# A file after --source-address ADDR is compared as it is and once more with the source
# address 0xFE or 0xFF that canmatrix reads replaced by ADDR, against our import's reading.
set -euo pipefail
dump=$1
shift
files=()
blanks=()
addressed=()
group=files
while [ $# -gt 0 ]; do
  case "$1" in
    --blanks) group=blanks ;;
    --source-address) group=addressed; address=$2; shift ;;
    *) case $group in
         files) files+=("$1") ;;
         blanks) blanks+=("$1") ;;
         addressed) addressed+=("$1") ;;
       esac ;;
  esac
  shift
done
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3
if ! "$python" -c 'import canmatrix' 2>/dev/null || ! command -v canconvert >/dev/null; then
  echo "canmatrix is missing: run scripts/deps.sh (python3-canmatrix, canmatrix-utils)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/converted.kcd" <<'KCD'
<?xml version="1.0" encoding="UTF-8"?>
<NetworkDefinition xmlns="http://kayak.2codeornot2code.org/1.0">
  <Document name="converted"/>
  <Node id="1" name="Engine"/>
  <Node id="2" name="Gateway"/>
  <Bus name="J1939">
    <Message id="0x0CF00400" name="EEC1" length="8" format="extended">
      <Producer><NodeRef id="1"/></Producer>
      <Signal name="EngTorqueMode" offset="0" length="4"/>
      <Signal name="ActualEngPercentTorque" offset="16" length="8"><Value slope="1" intercept="-125" unit="%"/></Signal>
      <Signal name="EngSpeed" offset="24" length="16"><Value slope="0.125" unit="rpm"/></Signal>
    </Message>
    <Message id="0x18FEF100" name="CCVS" length="8" format="extended">
      <Producer><NodeRef id="1"/></Producer>
      <Signal name="WheelBasedVehicleSpeed" offset="8" length="16"/>
      <Signal name="BigEndianWord" offset="32" length="16" endianess="big"/>
    </Message>
    <Message id="0x0CEF0080" name="PropA" length="8" format="extended">
      <Producer><NodeRef id="2"/></Producer>
      <Signal name="Command" offset="0" length="32"/>
    </Message>
    <Message id="0x19FF3021" name="PageOne" length="8" format="extended">
      <Producer><NodeRef id="2"/></Producer>
      <Signal name="Level" offset="0" length="8"/>
    </Message>
    <Message id="0x123" name="Standard" length="2">
      <Signal name="Flag" offset="0" length="1"/>
    </Message>
  </Bus>
</NetworkDefinition>
KCD
canconvert -s "$work/converted.kcd" "$work/converted.dbc" >/dev/null 2>"$work/canconvert.log" || {
  cat "$work/canconvert.log" >&2
  exit 1
}

# canconvert names the file after the KCD bus.
converted=$(ls "$work"/converted*.dbc)

# The file canmatrix reads: itself, or with tabs and padding made single blanks.
single_blanks() {
  sed -E 's/\t/ /g; s/  +/ /g; s/\( */(/g; s/ *\)/)/g; s/ *, */,/g; s/\[ */[/g; s/ *\]/]/g;
          s/ *\| */|/g; s/^ ?SG_/ SG_/' "$1" >"$2"
}

failed=0
compare() {
  local file=$1 theirs_input=$2
  shift 2
  # "$@": nothing, or --source-address ADDR
  "$dump" "$@" "$file" >"$work/ours.txt"
  "$python" "$here/canmatrix_dump.py" "$@" "$theirs_input" >"$work/theirs.txt" 2>"$work/canmatrix.log"
  local label
  label="$(basename "$file")${1:+ with $*}"
  if [ ! -s "$work/ours.txt" ]; then
    echo "FAIL $label: our reader found nothing" >&2
    failed=1
  elif diff -u "$work/theirs.txt" "$work/ours.txt" >"$work/diff.txt"; then
    echo "ok   $label: $(wc -l <"$work/ours.txt") messages and signals agree"
  else
    echo "FAIL $label: canmatrix (-) and our reader (+) differ" >&2
    cat "$work/diff.txt" >&2
    failed=1
  fi
}
for file in "${files[@]}" "$converted"; do
  compare "$file" "$file"
done
for file in "${blanks[@]}"; do
  single_blanks "$file" "$work/single-blanks.dbc"
  compare "$file" "$work/single-blanks.dbc"
done
for file in "${addressed[@]}"; do
  compare "$file" "$file"
  compare "$file" "$file" --source-address "$address"
done
exit $failed

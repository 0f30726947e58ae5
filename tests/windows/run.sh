#!/usr/bin/env bash
# The Windows build under Wine: its core and command-line tests (the write faults on a real
# full disk among them), its command line run on Windows paths, and its outputs of compile,
# eds, merge and dcf compared byte for byte with the Linux build's.
#
#   tests/windows/run.sh LINUX_BIN WINDOWS_BUILD SCRATCH
#
# LINUX_BIN is the bin folder of the dev build, WINDOWS_BUILD the windows build (its .zip is
# made and tried too); SCRATCH holds the Wine prefix (made on the first run, which takes a
# while) and the outputs.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
linux_bin="$(cd "$1" && pwd)"
windows_build="$(cd "$2" && pwd)"
windows_bin="$windows_build/bin"
mkdir -p "$3"
scratch="$(cd "$3" && pwd)"

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all
# Headless: no display, and no offer to install Mono or Gecko on the first start.
export WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=

# The full disk is a small memory file system, mounted in a mount namespace of this script
# (so that nothing stays mounted) and given to Wine as drive F:. The Wine server of the
# prefix must live in the namespace too.
if [ -z "${ORDANE_WINE_NAMESPACE:-}" ]; then
  "$wineserver" -k 2>/dev/null || true
  if [ "$(id -u)" -eq 0 ] && unshare -m true 2>/dev/null; then
    exec env ORDANE_WINE_NAMESPACE=1 unshare -m "$0" "$@"
  elif unshare -rm true 2>/dev/null; then
    exec env ORDANE_WINE_NAMESPACE=1 unshare -rm "$0" "$@"
  fi
  echo "note: no mount namespace here; the full-disk faults are not tried" >&2
fi
trap '"$wineserver" -k 2>/dev/null || true' EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== first start of Wine (a new prefix in $WINEPREFIX)"
  start=$(date +%s)
  "$wine" wineboot --init >/dev/null 2>&1
  "$wineserver" -w
  echo "   $(($(date +%s) - start)) s"
fi

if [ -n "${ORDANE_WINE_NAMESPACE:-}" ]; then
  small="$scratch/small-volume"
  mkdir -p "$small"
  mount -t tmpfs -o size=1m ordane-small "$small"
  ln -sfn "$small" "$WINEPREFIX/dosdevices/f:"
  export ORDANE_TEST_SMALL_VOLUME='F:\'
fi

# A Windows name of a Linux path: drive Z: is the root, with backslashes.
winpath() { local p="${1//\//\\}"; printf 'Z:%s' "$p"; }

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

echo "== core and command-line tests (ordane_tests.exe)"
start=$(date +%s)
(cd "$scratch" && "$wine" "$windows_bin/ordane_tests.exe" --gtest_brief=1) || fail "ordane_tests.exe"
echo "   $(($(date +%s) - start)) s"

echo "== compile, eds, merge and dcf: Windows against Linux"
work="$scratch/compare"
rm -rf "$work"
mkdir -p "$work/projects"
ORDANE_GENERATED_PROJECTS_DIR="$work/projects" "$linux_bin/ordane_tests" \
  --gtest_filter='GeneratedProjects.*' --gtest_brief=1 >/dev/null
# Names with letters beyond ASCII and blanks, on both sides.
cp -r "$source_dir/examples/Demo" "$work/projects/Förderband Ω"
cp -r "$source_dir/tests/eds/projects/Plant" "$source_dir/tests/eds/projects/Full" "$work/projects/"
cp "$source_dir/examples/MASTER/SX40218.sx" "$work/Vorlage Ä.sx"

# The same instant and time zone on both sides (the C runtimes read TZ alike in this form).
export SOURCE_DATE_EPOCH=1765432100 TZ=UTC0
compared=0 summary=""
for project in "$work/projects"/*/; do
  name=$(basename "$project")
  for side in linux windows; do
    rm -rf "$work/$side"
    mkdir -p "$work/$side"
    cp -r "$project" "$work/$side/$name"
    p="$work/$side/$name"
    if [ $side = linux ]; then
      run() { "$linux_bin/ordane-cli" "$@"; }
      pp=$p t="$work/Vorlage Ä.sx"
    else
      run() { "$wine" "$windows_bin/ordane-cli.exe" "$@"; }
      pp=$(winpath "$p") t=$(winpath "$work/Vorlage Ä.sx")
    fi
    status=""
    run compile "$pp" >/dev/null 2>&1 && status+=0 || status+=1
    run eds "$pp" "$pp/out.eds" >/dev/null 2>&1 && status+=0 || status+=1
    run merge "$pp" "$t" >/dev/null 2>&1 && status+=0 || status+=1
    run dcf "$pp" "$pp/out.dcf" >/dev/null 2>&1 && status+=0 || status+=1
    echo "$status" >"$work/$side.status"
    (cd "$work/$side/$name" && find . -type f | sort | xargs -d '\n' sha256sum) >"$work/$side.files"
  done
  if ! cmp -s "$work/linux.status" "$work/windows.status"; then
    fail "$name: exit statuses of compile, eds, merge, dcf: Linux $(cat "$work/linux.status"), Windows $(cat "$work/windows.status")"
  elif ! diff "$work/linux.files" "$work/windows.files" >"$work/$name.diff"; then
    fail "$name: the outputs differ:"
    cat "$work/$name.diff" >&2
  fi
  compared=$((compared + 1))
  summary+=" $name:$(cat "$work/linux.status")"
done
[ "$compared" -ge 15 ] || fail "only $compared projects compared"
# Each project's exit statuses of compile, eds, merge and dcf (0 is success).
echo "   $compared projects:$summary"

echo "== the command line on Windows"
cli() { "$wine" "$windows_bin/ordane-cli.exe" "$@"; }
# The help, byte for byte as on Linux: no CR LF on the standard output. The live-bus
# commands are Linux's only (they end the list, so the help's closing blank line goes with them).
"$linux_bin/ordane-cli" --help-all |
  awk '/^[^ ]/ { skip = ($0 ~ /^(buses|run|monitor)$/) } !skip; END { if (skip) print "" }' >"$work/help.linux"
cli --help-all >"$work/help.windows"
cmp -s "$work/help.linux" "$work/help.windows" || fail "--help-all differs from Linux's"
# A relative name with forward slashes, from the folder it is relative to.
mkdir -p "$work/relative/PROJECTS"
cp -r "$source_dir/examples/Demo" "$work/relative/PROJECTS/Demo"
(cd "$work/relative" && cli compile PROJECTS/Demo >/dev/null) || fail "compile PROJECTS/Demo"
[ -f "$work/relative/PROJECTS/Demo/bin/bank1.bin" ] || fail "no bank1.bin from a relative name"
# A project created under a name beyond ASCII, named back in the output as UTF-8.
out=$(cli new "$(winpath "$work/relative/PROJECTS")" "Prüfstand 東京")
[ "$out" = "$(winpath "$work/relative/PROJECTS/Prüfstand 東京")" ] || fail "new said: $out"
[ -d "$work/relative/PROJECTS/Prüfstand 東京/bin" ] || fail "no project folder Prüfstand 東京"
# An .xls workbook is refused with the way to a CSV file.
if cli import "$(winpath "$work/relative/PROJECTS/Demo")" received \
  "$(winpath "$source_dir/tests/documents/fixtures/frames.xls")" >/dev/null 2>"$work/xls.err"; then
  fail "an .xls was imported"
fi
grep -q 'as CSV (.csv)' "$work/xls.err" || fail "the .xls message: $(cat "$work/xls.err")"

echo "== the .zip"
(cd "$windows_build" && cpack -G ZIP >/dev/null)
zip=$(ls "$windows_build"/ordane-cli-*-windows-x86_64.zip)
rm -rf "$work/unpacked"
python3 -m zipfile -e "$zip" "$work/unpacked"
folder=$(ls -d "$work/unpacked"/ordane-cli-*)
for f in ordane-cli.exe README.txt PROJECTS/Demo/pargen.xml MASTER/SX40218.sx; do
  [ -f "$folder/$f" ] || fail "the .zip has no $f"
done
# Alone: it needs no library beyond those every Windows has.
imports=$(x86_64-w64-mingw32-objdump -p "$folder/ordane-cli.exe" | sed -n 's/^\s*DLL Name: //p' | sort -f | tr '\n' ' ')
[ "$imports" = "KERNEL32.dll msvcrt.dll SHELL32.dll " ] || fail "ordane-cli.exe needs $imports"
# The README's example, in the unpacked folder.
(cd "$folder" && cli update 'PROJECTS\Demo' 'MASTER\SX40218.sx' >/dev/null) || fail "the README's update"
[ -f "$folder/PROJECTS/Demo/New_SX40218.sx" ] || fail "the README's update wrote no New_SX40218.sx"

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "Windows build: all passed"

#!/usr/bin/env bash
# cmake --install into a scratch prefix (no root), then checks every installed file and
# starts the installed programs: the menu entry (desktop-file-validate), the manual pages
# (man --warnings), the icon (rsvg-convert), the completion through bash-completion's
# loader, and the installed desktop program's program folder in a scratch HOME.
#   install-tree.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1 source=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
. "$here/expected-files.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" --strip >"$scratch/install.log" 2>&1 ||
    { cat "$scratch/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }

# Exactly these files, nothing else (no tests, no libraries, no build leftovers).
wanted=$( (printf '%s\n' "${expected_files[@]}"; example_files "$source") | sort)
found=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
[ "$found" = "$wanted" ] || fail "installed files differ:
$(diff <(echo "$wanted") <(echo "$found"))"
diff -r "$source/examples/Demo" "$prefix/share/ordane/PROJECTS/Demo" >&2 || fail "example project differs"
diff -r "$source/examples/MASTER" "$prefix/share/ordane/MASTER" >&2 || fail "example template differs"
for program in ordane ordane-cli; do
    [ -x "$prefix/bin/$program" ] || fail "$program is not executable"
    file -b "$prefix/bin/$program" | grep -q 'not stripped' && fail "$program is not stripped"
done

desktop-file-validate "$prefix/share/applications/ordane.desktop" >&2 || fail "desktop-file-validate"
grep -qx 'Exec=ordane' "$prefix/share/applications/ordane.desktop" || fail "menu entry does not start ordane"
grep -qx 'Icon=ordane' "$prefix/share/applications/ordane.desktop" || fail "menu entry has not the icon"
grep -qx 'Categories=Development;Electronics;' "$prefix/share/applications/ordane.desktop" ||
    fail "menu entry categories"
rsvg-convert -w 48 -h 48 "$prefix/share/icons/hicolor/scalable/apps/ordane.svg" -o "$scratch/icon.png" ||
    fail "the icon does not render"

for page in ordane ordane-cli; do
    file="$prefix/share/man/man1/$page.1.gz"
    gzip -t "$file" || fail "$page.1.gz is no gzip file"
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man --warnings -l $page.1.gz: $warnings"
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$file" 2>/dev/null | grep -q "^NAME" || fail "$page(1) renders no NAME"
done
# man finds the pages by name in the prefix.
MANPATH="$prefix/share/man" man -w ordane-cli >/dev/null 2>&1 || fail "man -w ordane-cli in the prefix"

# The completion as an interactive bash loads it: bash-completion's loader, from the
# prefix's share folder, completing the commands of the installed program.
commands=$("$prefix/bin/ordane-cli" --help-all | awk -f "$here/HelpTable.awk" | cut -f1 | sort | tr '\n' ' ')
got=$(PATH="$prefix/bin:$PATH" XDG_DATA_DIRS="$prefix/share" bash --norc --noprofile -i -c '
    source /usr/share/bash-completion/bash_completion
    _completion_loader ordane-cli
    COMP_WORDS=(ordane-cli ""); COMP_CWORD=1; COMPREPLY=()
    _ordane_cli
    printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' 2>/dev/null)
[ -n "$got" ] && [ "$got" = "$commands" ] || fail "completion from the install: got '$got', wanted '$commands'"

# The installed programs run; the desktop program's help works without a display and
# names the user's data folder as its program folder.
"$prefix/bin/ordane-cli" --help >/dev/null || fail "installed ordane-cli --help"
"$prefix/bin/ordane-cli" buses 2>/dev/null | grep -q "^virtualcan: can0, can1" || fail "installed ordane-cli buses does not find its companion program"
home="$scratch/home"
mkdir -p "$home"
help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_DATA_HOME HOME="$home" \
    "$prefix/bin/ordane" --help) || fail "installed ordane --help"
grep -qxF "Program folder: $home/.local/share/ordane (the user's data folder, as this copy is installed)" \
    <<<"$help" || fail "installed ordane --help: $help"
help=$(env -u DISPLAY HOME="$home" XDG_DATA_HOME="$scratch/data" "$prefix/bin/ordane" --help)
grep -qF "Program folder: $scratch/data/ordane " <<<"$help" || fail "XDG_DATA_HOME not used: $help"
help=$(env -u DISPLAY HOME="$home" "$prefix/bin/ordane" --home "$scratch/elsewhere" --help)
grep -qxF "Program folder: $scratch/elsewhere (given with --home)" <<<"$help" || fail "--home: $help"
help=$(env -u DISPLAY "$build/bin/ordane" --help)
grep -qF "Program folder: $(realpath "$build/bin") (the executable's folder" <<<"$help" ||
    fail "a build is an installed copy: $help"

# First start of the installed desktop program (offscreen, until the settings file is
# there): the user's data folder gets MASTER, PROJECTS and the settings file; nothing is
# created beside the executable, although root could write there.
before=$(cd "$prefix" && find . | sort)
env -u XDG_DATA_HOME HOME="$home" QT_QPA_PLATFORM=offscreen "$prefix/bin/ordane" >"$scratch/ordane.log" 2>&1 &
pid=$!
folder="$home/.local/share/ordane"
for _ in $(seq 100); do
    [ -f "$folder/Ordane_C2J1939.ini" ] && break
    sleep 0.1
done
sleep 0.5
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
[ "$(cat "$folder/Ordane_C2J1939.ini" 2>/dev/null)" = $'[lastproj]\nprojectname=Demo' ] ||
    fail "settings file of the first start: $(cat "$folder/Ordane_C2J1939.ini" 2>&1)"
diff -r "$source/examples/Demo" "$folder/PROJECTS/Demo" >&2 || fail "example project not in PROJECTS"
cmp -s "$source/examples/MASTER/SX40218.sx" "$folder/MASTER/SX40218.sx" || fail "example template not in MASTER"
[ "$(cd "$prefix" && find . | sort)" = "$before" ] || fail "the installed program wrote into its install"

[ "$failures" -eq 0 ] && echo "install tree: $(wc -l <<<"$found") files, all as expected"
exit $((failures > 0))

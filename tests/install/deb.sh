#!/usr/bin/env bash
# Builds the Debian package with CPack (no root) and inspects it with dpkg-deb: its fields,
# the runtime packages it depends on, and every file it holds with owner and mode.
#   deb.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$(realpath "$1") source=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
. "$here/expected-files.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

(cd "$build" && cpack -G DEB -B "$scratch") >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; echo "FAIL: cpack -G DEB" >&2; exit 1; }
debs=("$scratch"/ordane_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no single ordane_*.deb: ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}
version=$(sed -n 's/^project(ordane VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
[ "$(basename "$deb")" = "ordane_${version}_$(dpkg --print-architecture).deb" ] || fail "file name $(basename "$deb")"

info=$(dpkg-deb --info "$deb") || fail "dpkg-deb --info"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = ordane ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = electronics ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
# The runtime libraries' packages, found by dpkg-shlibdeps from the programs' links. The XML
# and workbook libraries are linked in where their archives are installed; a program that
# still loads one needs its package.
depends=$(field Depends)
dpkg-deb -x "$deb" "$scratch/root"
needed=$(objdump -p "$scratch"/root/usr/bin/* 2>/dev/null | awk '$1 == "NEEDED" { print $2 }')
wanted_packages=(libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6)
grep -q '^libpugixml' <<<"$needed" && wanted_packages+=(libpugixml1v5)
grep -q '^libfreexl' <<<"$needed" && wanted_packages+=(libfreexl1)
for package in "${wanted_packages[@]}"; do
    grep -qE "(^|, )${package//+/\\+}( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done
# Nothing of the build tools or the development packages.
grep -qE -- '-dev( |,|$)|cmake|gtest' <<<"$depends" && fail "Depends names build packages: $depends"

# Every file, root-owned, programs 0755 and everything else 0644; folders 0755.
contents=$(dpkg-deb --contents "$deb") || fail "dpkg-deb --contents"
wanted=$( (printf '%s\n' "${expected_files[@]}"; example_files "$source") | sed 's|^|./usr/|' | sort)
found=$(awk '$1 !~ /^d/ { print $6 }' <<<"$contents" | sort)
[ "$found" = "$wanted" ] || fail "package files differ:
$(diff <(echo "$wanted") <(echo "$found"))"
awk '$2 != "root/root" { print "FAIL: owner " $2 " of " $6; bad = 1 } END { exit bad }' <<<"$contents" >&2 ||
    failures=$((failures + 1))
awk '$1 ~ /^-/ && ($6 ~ /^\.\/usr\/bin\// || $6 ~ /^\.\/usr\/libexec\/ordane\//) { if ($1 != "-rwxr-xr-x") { print "FAIL: mode " $1 " of " $6; bad = 1 }; next }
     $1 ~ /^-/ && $1 != "-rw-r--r--" { print "FAIL: mode " $1 " of " $6; bad = 1 }
     $1 ~ /^d/ && $1 != "drwxr-xr-x" { print "FAIL: mode " $1 " of " $6; bad = 1 }
     END { exit bad }' <<<"$contents" >&2 || failures=$((failures + 1))
# No maintainer scripts: dpkg's triggers refresh the menu and the icon cache.
control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | tr '\n' ' ')
[ "$control" = "control md5sums " ] || fail "control members: $control"

if [ "$failures" -eq 0 ]; then
    echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes, $(wc -l <<<"$found") files"
    echo "Depends: $depends"
fi
exit $((failures > 0))

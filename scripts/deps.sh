#!/usr/bin/env bash
# Installs the Debian packages the project needs when any is missing; does nothing otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  g++ cmake ninja-build pkg-config ccache
  libpugixml-dev libfreexl-dev libsimpleini-dev libcli11-dev tao-pegtl-dev
  qt6-base-dev qt6-serialbus-dev libgtest-dev libgmock-dev libbenchmark-dev
  srecord python3-xlwt python3-can time valgrind
  python3-canmatrix canmatrix-utils python3-lxml
  clang libclang-rt-14-dev
  xvfb xauth imagemagick fonts-dejavu-core
  # the install checks: menu entry, manual pages, icon, completion, the Debian package
  desktop-file-utils man-db groff-base librsvg2-bin bash-completion dpkg-dev file
  tidy
  # the Windows command line: cross compiler, Wine to run it, and the sources of what is
  # compiled for it (pugixml from Debian's source package, GoogleTest from libgtest-dev)
  g++-mingw-w64-x86-64-posix wine64
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Node.js and npm run the EDS reader test; they may also come from outside Debian.
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)

# Debian's source packages: a deb-src entry for every suite the machine installs from.
has_deb_src() {
  grep -qsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/*
}

if [ ${#missing[@]} -gt 0 ] || ! has_deb_src; then
  if [ "$(id -u)" -ne 0 ]; then
    [ ${#missing[@]} -gt 0 ] &&
      echo "Run as root: apt-get update && apt-get install -y ${missing[*]}" >&2
    has_deb_src || echo "Add a deb-src entry for Debian's suites (as root: scripts/deps.sh)" >&2
    exit 1
  fi
  if ! has_deb_src; then
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] || continue
      sed -n 's/^Types: deb$/Types: deb-src/;/^Types:\|^URIs:\|^Suites:\|^Components:\|^Signed-By:\|^$/p' "$f" \
        >"${f%.sources}-src.sources"
    done
    [ -f /etc/apt/sources.list ] &&
      sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >/etc/apt/sources.list.d/deb-src.list
  fi
  echo "Installing missing packages: ${missing[*]:-none}"
  apt-get update
  [ ${#missing[@]} -eq 0 ] ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The Windows build compiles pugixml from Debian's source package (no root needed).
sources=build/windows-deps
if ! compgen -G "$sources/pugixml-*/src/pugixml.cpp" >/dev/null; then
  mkdir -p "$sources"
  (cd "$sources" && apt-get source --quiet pugixml >/dev/null)
fi

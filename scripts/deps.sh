#!/usr/bin/env bash
# Installs the Debian packages the project needs when any is missing; does nothing otherwise.
set -euo pipefail

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
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Node.js and npm run the EDS reader test; they may also come from outside Debian.
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
else
  echo "Run as root: apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi

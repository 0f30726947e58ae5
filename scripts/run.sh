#!/usr/bin/env bash
# Sets up, builds and starts the desktop program. The program folder is the build's bin
# folder: MASTER and PROJECTS sit beside the executable; the example project is copied in.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh dev
home="$PWD/build/dev/bin"
mkdir -p "$home/PROJECTS" "$home/MASTER"
[ -d "$home/PROJECTS/Demo" ] || cp -r examples/Demo "$home/PROJECTS/Demo"
# An example firmware template and a substitute flash tool that talks to no device.
[ -f "$home/MASTER/SX40218.sx" ] || cp examples/MASTER/SX40218.sx "$home/MASTER/"
[ -f "$home/Burnidor.exe" ] || cp examples/Burnidor.exe "$home/"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting the program on a virtual screen (xvfb-run)." >&2
  exec xvfb-run -a "$home/ordane" --home "$home" "$@"
fi
exec "$home/ordane" --home "$home" "$@"

#!/usr/bin/env bash
# Writes the EDS file of each project with ordane-cli and reads it back with an
# independent EDS reader (the npm package "canopen", pinned in package-lock.json).
# With --dcf it writes the DCF instead, once with the node of pargen.xml and once with
# the options, and checks both the EDS content and the commissioned values.
#
#   run.sh [--dcf] ORDANE_CLI PROJECT...
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
dcf=0
if [ "${1:-}" = --dcf ]; then
  dcf=1
  shift
fi
cli="$1"
shift

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "node and npm are needed for this test: run scripts/deps.sh" >&2
  exit 1
fi
if [ ! -f "$here/node_modules/canopen/source/eds.js" ]; then
  # No install scripts: the reader needs none, and they would build native code.
  (cd "$here" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
fi

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
for project in "$@"; do
  name="$(basename "$project")"
  if [ "$dcf" = 1 ]; then
    "$cli" dcf "$project" "$out/$name.dcf"
    node "$here/check-eds.js" "$project" "$out/$name.dcf"
    node "$here/check-dcf.js" "$project" "$out/$name.dcf"
    "$cli" dcf "$project" "$out/$name-node42.dcf" --node-id 0x2A --bit-rate 125
    node "$here/check-dcf.js" "$project" "$out/$name-node42.dcf" 42 125
  else
    "$cli" eds "$project" "$out/$name.eds"
    node "$here/check-eds.js" "$project" "$out/$name.eds"
  fi
done

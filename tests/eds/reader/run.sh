#!/usr/bin/env bash
# Writes the EDS file of each project with ordane-cli and reads it back with an
# independent EDS reader (the npm package "canopen", pinned in package-lock.json).
#
#   run.sh ORDANE_CLI PROJECT...
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
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
  eds="$out/$(basename "$project").eds"
  "$cli" eds "$project" "$eds"
  node "$here/check-eds.js" "$project" "$eds"
done

#!/usr/bin/env bash
# Writes the mapping report of each project (and of an empty one) with ordane-cli and has
# tidy, an independent HTML checker, read it: any error or warning fails the test.
#
#   tidy.sh ORDANE_CLI PROJECT...
set -euo pipefail
cli="$1"
shift

if ! command -v tidy >/dev/null; then
  echo "tidy is needed for this test: run scripts/deps.sh" >&2
  exit 1
fi

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
mkdir "$out/Empty"
failed=0
for project in "$@" "$out/Empty"; do
  html="$out/$(basename "$project").html"
  "$cli" report "$project" "$html"
  # --drop-empty-elements no: empty cells are meant; without it tidy warns of them.
  if ! messages="$(tidy -q -e --drop-empty-elements no "$html" 2>&1)" || [ -n "$messages" ]; then
    echo "tidy finds fault with the report of $project:" >&2
    echo "$messages" >&2
    failed=1
  else
    echo "valid: $project"
  fi
done
exit "$failed"

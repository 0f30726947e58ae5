#!/usr/bin/env bash
# Each folder of src/ includes only from the folders its layer may use; prints every
# include that breaks the rule and fails when there is one.
#   check-includes.sh SRC_DIR
set -euo pipefail
src="$1"

# Folder -> the folders it may include from (itself always allowed).
declare -A allowed=(
  [core]=""
  [documents]="core"
  [editors]="core documents widgets"
  [compiler]="core documents"
  [eds]="core documents"
  [firmware]="core documents widgets"
  [report]="core documents editors compiler eds check"
  [check]="core documents editors compiler"
  [simulator]="core documents editors compiler"
  [dbc]="core documents editors compiler check simulator"
  [widgets]="core documents editors"
  [app]="core documents editors compiler eds firmware report check dbc widgets"
  [cli]="core documents editors compiler eds firmware report check simulator dbc"
)

bad=0
while IFS= read -r -d '' file; do
  rel="${file#"$src"/}"
  folder="${rel%%/*}"
  [ "$folder" = "$rel" ] && continue
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "$rel: folder '$folder' has no layer; add it to $(basename "$0")"
    bad=1
    continue
  fi
  while IFS= read -r included; do
    target="${included%%/*}"
    [ "$target" = "$included" ] && continue # same folder
    [ "$target" = "$folder" ] && continue
    case " ${allowed[$folder]} " in
      *" $target "*) ;;
      *) echo "$rel includes $included"; bad=1 ;;
    esac
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(find "$src" -name '*.h' -print0 -o -name '*.cpp' -print0)

# Window files of editors/ and firmware/ use widgets/; their models must not.
for model in $(grep -L 'Q_OBJECT\|#include <Q' "$src"/editors/*.h "$src"/firmware/*.h); do
  if grep -q '#include "widgets/' "$model" "${model%.h}.cpp" 2>/dev/null; then
    echo "${model#"$src"/}: a model includes widgets/"
    bad=1
  fi
done

if [ "$bad" -ne 0 ]; then
  echo "layer rule broken" >&2
  exit 1
fi
echo "layers: every include follows the layer rule"

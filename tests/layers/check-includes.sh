#!/usr/bin/env bash
# Each folder of src/ includes only from the folders its layer may use, and only the
# folders above the models use Qt; prints every include that breaks the rule and fails
# when there is one.
#   check-includes.sh SRC_DIR
set -euo pipefail
src="$1"

# core < documents < model < the outputs (compiler, eds, firmware, check, report,
# simulator, dbc) < bus < widgets < editors < app; cli uses everything below widgets.
outputs="compiler eds firmware check report simulator dbc"
declare -A allowed=(
  [core]=""
  [documents]="core"
  [model]="core documents"
  [compiler]="core documents model"
  [eds]="core documents model"
  [firmware]="core documents model compiler"
  [check]="core documents model compiler"
  [report]="core documents model compiler eds check"
  [simulator]="core documents model compiler"
  [dbc]="core documents model compiler check simulator"
  [bus]="core documents model $outputs"
  [widgets]="core documents model $outputs bus"
  [editors]="core documents model $outputs bus widgets"
  [app]="core documents model $outputs bus widgets editors"
  [cli]="core documents model $outputs bus"
)
# The folders that may include Qt (bus/ links QtCore and QtSerialBus only).
qt_folders=" bus widgets editors app "

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
  case "$qt_folders" in
    *" $folder "*) ;;
    *)
      if grep -q '^#include <Q' "$file"; then
        echo "$rel: folder '$folder' may not use Qt"
        bad=1
      fi
      ;;
  esac
done < <(find "$src" -name '*.h' -print0 -o -name '*.cpp' -print0)

if [ "$bad" -ne 0 ]; then
  echo "layer rule broken" >&2
  exit 1
fi
echo "layers: every include follows the layer rule"

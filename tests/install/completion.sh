#!/usr/bin/env bash
# The bash completion of ordane-cli, in an interactive bash, against the program's help.
#   completion.sh COMPLETION_SCRIPT ORDANE_CLI HELP_FIXTURE
# Every command completes; arguments complete by kind (folders, files, choices); the
# options of a command complete, and an option's value is not taken for an argument
# (these from HELP_FIXTURE, a help with options of every shape, through a stand-in program).
set -uo pipefail
script=$(realpath "$1") cli=$(realpath "$2") fixture=$(realpath "$3")
here=$(dirname "$(realpath "$0")")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
work="$scratch/work" tools="$scratch/tools"
mkdir -p "$work/Plant7" "$tools"
touch "$work/plant.csv" "$work/Plant7/pargen.xml"
printf '#!/bin/sh\ncat "%s"\n' "$fixture" >"$tools/ordane-cli"
chmod +x "$tools/ordane-cli"

# Runs the completion as bash does for the words given (the last one is being completed)
# and prints the candidates, sorted, on one line.
cat >"$tools/complete.sh" <<'EOS'
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _ordane_cli 2>/dev/null
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}
EOS

failures=0
expect() { # expect WANTED COMMAND WORDS...
    local wanted=$1
    shift
    local got
    got=$(cd "$work" && bash --norc --noprofile -i -c \
        "source '$script'; source '$tools/complete.sh'; complete_words $(printf '%q ' "$@")" 2>/dev/null)
    if [ "$got" != "$wanted" ]; then
        echo "FAIL: completing '$*': got '$got', wanted '$wanted'" >&2
        failures=$((failures + 1))
    fi
}

registered=$(bash --norc --noprofile -i -c "source '$script'; complete -p ordane-cli" 2>/dev/null)
[ "$registered" = "complete -F _ordane_cli ordane-cli" ] ||
    { echo "FAIL: not registered: '$registered'" >&2; failures=$((failures + 1)); }

# Every command the program lists, from nothing and from its first two letters.
table=$("$cli" --help-all | awk -f "$here/HelpTable.awk")
all=$(cut -f1 <<<"$table" | sort | tr '\n' ' ' | sed 's/ $//')
[ -n "$all" ] || { echo "FAIL: no commands in the help" >&2; exit 1; }
expect "$all" "$cli" ""
while IFS=$'\t' read -r command arguments options; do
    prefix=${command:0:2}
    expect "$(tr ' ' '\n' <<<"$all" | grep "^$prefix" | tr '\n' ' ' | sed 's/ $//')" "$cli" "$prefix"
done <<<"$table"
expect "--help --help-all" "$cli" "--h"

# Arguments of the real commands by kind.
expect "Plant7" "$cli" compile ""                  # PROJECT: folders only
expect "Plant7 plant.csv" "$cli" eds Plant7 ""     # OUTPUT: file names
expect "plant.csv" "$cli" eds Plant7 "pl"
expect "Plant7/pargen.xml" "$cli" eds Plant7 "Plant7/"
expect "received transmitted" "$cli" import Plant7 ""
expect "transmitted" "$cli" export Plant7 "t"
expect "" "$cli" new . ""                          # NAME: nothing to offer
expect "" "$cli" compile Plant7 ""                 # no argument left
expect "Plant7" "$cli" compile -- ""               # after "--" still the argument

# Options of every shape, from the fixture's help.
fake="$tools/ordane-cli"
expect "--a-very-long-option-name-here --help --map-signals --messages --quiet --replace-mapping" \
    "$fake" import Plant7 received plant.csv --
expect "--bit-rate --help --node-id" "$fake" dcf --
expect "" "$fake" import --map-signals ""                        # its value
expect "Plant7" "$fake" import --map-signals 5 ""                # PROJECT after the value
expect "Plant7" "$fake" import --replace-mapping ""              # a flag takes no value
expect "received transmitted" "$fake" import --quiet Plant7 ""
expect "received transmitted" "$fake" import --a-very-long-option-name-here x Plant7 ""

[ "$failures" -eq 0 ] && echo "completion: commands, arguments and options complete"
exit $((failures > 0))

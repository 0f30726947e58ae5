#!/usr/bin/env bash
# The manual pages against the programs' own help, and rendered by man without a warning.
#   man-pages.sh ORDANE_CLI ORDANE_CLI_PAGE ORDANE_PAGE [ORDANE]
# Every command of "ordane-cli --help-all" has its section in ordane-cli(1), naming each of
# its arguments and options, with its exit statuses and an example; every option a section
# names is one the command has. Every option of "ordane --help" is in ordane(1).
set -uo pipefail
cli=$1 cli_page=$2 ordane_page=$3 ordane=${4:-}
here=$(dirname "$0")
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The text of one command's section: from ".SS NAME" to the next .SS or .SH.
section() {
    awk -v name="$1" '/^\.S[SH] / { inside = ($0 == ".SS " name) ; next } inside' "$cli_page"
}
# Long options a piece of roff names: \-\-name becomes --name.
named_options() { sed 's/\\-/-/g' | grep -oE -- '--[a-z0-9][a-z0-9-]*' | sort -u; }

table=$("$cli" --help-all | awk -f "$here/HelpTable.awk")
[ -n "$table" ] || fail "no commands read from $cli --help-all"

while IFS=$'\t' read -r command arguments options; do
    text=$(section "$command")
    if [ -z "$text" ]; then
        fail "ordane-cli $command has no section in ordane-cli(1) (add packaging/man/ordane-cli/$command.1)"
        continue
    fi
    grep -q "^Not described yet" <<<"$text" && fail "ordane-cli $command: section not written"
    for a in $arguments; do
        grep -qw -- "$a" <<<"$text" || fail "ordane-cli $command: argument $a not in its section"
    done
    for o in $options; do
        named_options <<<"$text" | grep -qx -- "$o" || fail "ordane-cli $command: option $o not in its section"
    done
    for o in $(named_options <<<"$text"); do
        case " $options --help --help-all " in
        *" $o "*) ;;
        *) fail "ordane-cli $command: its section names $o, which the command does not have" ;;
        esac
    done
    grep -q '^\.B Exit status:' <<<"$text" || fail "ordane-cli $command: no exit statuses"
    grep -q '^\.EX' <<<"$text" || fail "ordane-cli $command: no example"
done < <(printf '%s\n' "$table" | tr -d '\r')

# A section whose command this build does not have would document nothing.
commands=" $(cut -f1 <<<"$table" | tr '\n' ' ') "
for s in $(awk '/^\.SH COMMANDS/ { c = 1; next } /^\.SH / { c = 0 } c && /^\.SS / { print $2 }' "$cli_page"); do
    [[ $commands == *" $s "* ]] || fail "ordane-cli(1) has a section for '$s', which ordane-cli does not have"
done

# The options of the program itself, from its help (which needs no display).
main_options=$("$cli" --help | sed -n '/^Options:/,/^$/p' | grep -oE -- '--[a-z][a-z-]*' | sort -u)
for o in $main_options; do
    sed -n '/^\.SH OPTIONS/,/^\.SH COMMANDS/p' "$cli_page" | named_options | grep -qx -- "$o" ||
        fail "ordane-cli option $o not under OPTIONS"
done
if [ -n "$ordane" ]; then
    help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$ordane" --help) ||
        fail "ordane --help failed without a display"
    grep -q '^Program folder: ' <<<"$help" || fail "ordane --help does not say the program folder"
    for o in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
        named_options <"$ordane_page" | grep -qx -- "$o" || fail "ordane option $o not in ordane(1)"
    done
fi

# man renders both pages without a single warning.
for page in "$cli_page" "$ordane_page"; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man --warnings -l $page: $warnings"
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q '^NAME' || fail "$page renders no NAME"
done

[ "$failures" -eq 0 ] && echo "manual pages: in step with the help, no warnings"
exit $((failures > 0))

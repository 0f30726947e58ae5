# Reads "ordane-cli --help-all" (CLI11's layout) and prints one line per command:
#   NAME<TAB>ARGUMENTS<TAB>OPTIONS
# ARGUMENTS are the positional names separated by blanks; OPTIONS the long option names.
function flush() { if (command != "") print command "\t" arguments "\t" options }
/^Subcommands:/ { inside = 1; next }
!inside { next }
/^[a-z][a-z0-9-]*$/ { flush(); command = $0; arguments = ""; options = ""; section = ""; next }
/^  Positionals:/ { section = "positional"; next }
/^  Options:/ { section = "option"; next }
/^    [^ ]/ {
    if (section == "positional") {
        arguments = arguments (arguments == "" ? "" : " ") $1
    } else if (section == "option") {
        n = split($1, forms, ",")
        for (i = 1; i <= n; i++)
            if (forms[i] ~ /^--/) options = options (options == "" ? "" : " ") forms[i]
    }
}
END { flush() }

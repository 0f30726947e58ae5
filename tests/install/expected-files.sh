# The files an install holds below its prefix, apart from the examples (which are checked
# against examples/ in the source): sourced by install-tree.sh and deb.sh.
expected_files=(
  bin/ordane
  bin/ordane-cli
  libexec/ordane/ordane-bus
  share/applications/ordane.desktop
  share/bash-completion/completions/ordane-cli
  share/doc/ordane/copyright
  share/icons/hicolor/scalable/apps/ordane.svg
  share/man/man1/ordane-cli.1.gz
  share/man/man1/ordane.1.gz
  share/ordane/installed
)
# Every file of examples/Demo and examples/MASTER, as the install places them.
example_files() { # SOURCE_DIR
  (cd "$1/examples" && find Demo -type f | sed 's|^|share/ordane/PROJECTS/|' &&
    find MASTER -type f | sed 's|^|share/ordane/|')
}

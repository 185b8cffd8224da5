# Sourced by the other scripts.

# The clang tools that a dot-file at the repository root configures (.clang-format and the
# static analyser's file), one a line. Each name is both the command and the Debian package.
root_clang_tools() {
  (
    cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1
    for config in .clang-*; do
      echo "${config#.}"
    done
  )
}

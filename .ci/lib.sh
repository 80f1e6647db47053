# SPDX-License-Identifier: ISC
# shellcheck shell=bash
# Shared by .ci/run and the checks: sourced from the repository's top.

# Installs what the named groups of tools/packages need and is missing.
ensure_deps() {
  tools/deps "$@"
}

# Installs those of the named Debian packages that are missing.
ensure_packages() {
  tools/deps --packages "$@"
}

# Prints the README's two set-up commands, one a line: the first ```sh block
# of README.md (or $1), its lines that are neither blank nor comments. Fails,
# saying why, unless the block is there, closed, and holds exactly two
# commands of one line each.
readme_commands() {
  local readme=${1:-README.md} block status=0
  [ -r "$readme" ] || { echo "readme_commands: cannot read $readme" >&2; return 1; }
  block=$(awk '
    !open && /^```sh[ \t]*$/ { open = 1; next }
    open && /^```/ { closed = 1; exit }
    open && NF && $1 !~ /^#/ { print }
    END { if (!open) exit 3; if (!closed) exit 4 }' "$readme") || status=$?
  case $status in
    0) ;;
    3) echo "readme_commands: $readme has no \`\`\`sh block" >&2; return 1 ;;
    4) echo "readme_commands: the first \`\`\`sh block of $readme is not closed" >&2; return 1 ;;
    *) echo "readme_commands: could not read $readme (awk: $status)" >&2; return 1 ;;
  esac
  local count
  count=$(printf '%s' "$block" | grep -c '')
  if [ "$count" -ne 2 ]; then
    echo "readme_commands: the first \`\`\`sh block of $readme holds $count command lines, not the two set-up commands:" >&2
    printf '%s\n' "$block" >&2
    return 1
  fi
  if printf '%s\n' "$block" | grep -q '\\$'; then
    echo "readme_commands: a set-up command in $readme continues on the next line; each must be one line" >&2
    return 1
  fi
  printf '%s\n' "$block"
}

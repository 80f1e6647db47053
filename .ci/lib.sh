# shellcheck shell=bash
# Shared by .ci/run and the checks: sourced from the repository's top.

# Installs those of the named Debian packages that are missing.
ensure_packages() {
  local need=() pkg
  for pkg in "$@"; do
    dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
  done
  if [ "${#need[@]}" -gt 0 ]; then
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}"
  fi
}

#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The init scripts (procd and System V) parse and pass ShellCheck, and so do
# the scripts that go with them: the steady-state check, the router checks
# in .ci/checks/ and the shell tests in tests/.
set -euo pipefail
cd "$(dirname "$0")/../.."

# shellcheck source=.ci/lib.sh
. .ci/lib.sh
ensure_deps shellcheck

scripts=(packaging/procd/relaywatch packaging/sysv/relaywatch packaging/sysv/relaywatch.default)
for script in "${scripts[@]}"; do
  [ -f "$script" ] || { echo "initscripts: $script is missing" >&2; exit 1; }
  sh -n "$script"
done
shellcheck --version | sed -n 2p
shellcheck "${scripts[@]}"
shellcheck -x tools/steady-state.sh tools/deps .ci/checks/10-fresh-debian.sh .ci/checks/20-footprint.sh \
  .ci/checks/22-hardening.sh .ci/checks/25-musl.sh .ci/checks/30-mips-qemu.sh .ci/checks/32-without-simulator.sh \
  .ci/checks/35-cross-footprint.sh .ci/checks/40-initscripts.sh .ci/run .ci/lib.sh tests/*.sh
echo "initscripts: shellcheck-clean: ${scripts[*]}"

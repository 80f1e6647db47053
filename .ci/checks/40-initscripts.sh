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
shellcheck -x tools/*.sh tools/deps .ci/checks/*.sh .ci/run .ci/lib.sh tests/*.sh tests/tools/*
echo "initscripts: shellcheck-clean: ${scripts[*]}"

#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The whole test suite a second time, built with AddressSanitizer (with
# LeakSanitizer) and UndefinedBehaviorSanitizer; the first report ends the
# test that made it, and ctest fails. The fuzz corpora run here too, as
# plain programs under both sanitizers.
set -euo pipefail
cd "$(dirname "$0")/../.."

# shellcheck source=.ci/lib.sh
. .ci/lib.sh
ensure_deps sanitize

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

build="build-sanitize"
cmake -S . -B "$build" -DRELAYWATCH_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build "$build" -j2
ctest --test-dir "$build" --output-on-failure -j2

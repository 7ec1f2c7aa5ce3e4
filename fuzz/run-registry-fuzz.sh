#!/usr/bin/env bash
# Builds the registry loader fuzzer (preset native-fuzz) and runs it for
# SECONDS (default 30), then prints the executions per second and the total.
# Usage: fuzz/run-registry-fuzz.sh [SECONDS]
# The seed corpus in fuzz/registry/corpus is only read; new inputs collect in
# build/native-fuzz/fuzz/registry/corpus, a finding in build/native-fuzz/fuzz/registry/.
set -euo pipefail
cd "$(dirname "$0")/.."
. fuzz/common/run_target.sh
run_fuzz_target registry fuzz_registry_load fuzz/registry fuzz/registry/corpus "${1:-30}" -max_len=2048

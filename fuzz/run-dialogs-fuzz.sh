#!/usr/bin/env bash
# Builds the rule entry dialog's field text fuzzer (preset native-fuzz) and
# runs it for SECONDS (default 30), then prints the executions per second and
# the total.
# Usage: fuzz/run-dialogs-fuzz.sh [SECONDS]
# The seed corpus in fuzz/dialogs/corpus is only read; new inputs collect in
# build/native-fuzz/fuzz/dialogs/corpus, a finding in build/native-fuzz/fuzz/dialogs/.
set -euo pipefail
cd "$(dirname "$0")/.."
. fuzz/common/run_target.sh
run_fuzz_target dialogs fuzz_rule_fields fuzz/dialogs fuzz/dialogs/corpus "${1:-30}" -max_len=256

#!/usr/bin/env bash
# Builds the text list fuzzer (preset native-fuzz) and runs it for SECONDS
# (default 30), then prints the executions per second and the total.
# Usage: fuzz/run-model-fuzz.sh [SECONDS]
# The seed corpus in fuzz/model/corpus is only read; new inputs collect in
# build/native-fuzz/fuzz/model/corpus-model, a finding beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
. fuzz/common/run_target.sh
run_fuzz_target model fuzz_text_list fuzz/model fuzz/model/corpus "${1:-30}" \
  -max_len=4096 -dict=fuzz/model/text_list.dict

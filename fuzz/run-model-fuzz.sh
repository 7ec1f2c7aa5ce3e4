#!/usr/bin/env bash
# Builds the text list fuzzer (preset native-fuzz) and runs it for SECONDS
# (default 30), then prints the executions per second and the total.
# Usage: fuzz/run-model-fuzz.sh [SECONDS]
# Seeds: fuzz/model/corpus; new inputs and findings: build/native-fuzz/fuzz/model.
set -euo pipefail
source "$(dirname "$0")/fuzz-run.sh"
fuzz_run model fuzz_text_list fuzz/model fuzz/model/corpus "${1:-30}" -max_len=4096 -dict=fuzz/model/text_list.dict

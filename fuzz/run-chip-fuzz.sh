#!/usr/bin/env bash
# Fuzzes the driver against a misbehaving chip for SECONDS (default 30), then
# prints the executions per second and the total.
# Usage: fuzz/run-chip-fuzz.sh [SECONDS]
# Seeds: fuzz/driver/corpus/chip; new inputs and findings: build/native-fuzz/fuzz/driver.
set -euo pipefail
cd "$(dirname "$0")/.."
. fuzz/common/run_target.sh
run_fuzz_target chip fuzz_chip fuzz/driver fuzz/driver/corpus/chip "${1:-30}" -max_len=1024 -dict=fuzz/driver/chip.dict

#!/usr/bin/env bash
# Fuzzes the driver's OID queries and sets, between traffic, for SECONDS
# (default 30), then prints the executions per second and the total.
# Usage: fuzz/run-oids-fuzz.sh [SECONDS]
# Seeds: fuzz/driver/corpus/oids; new inputs and findings: build/native-fuzz/fuzz/driver.
set -euo pipefail
cd "$(dirname "$0")/.."
. fuzz/common/run_target.sh
run_fuzz_target oids fuzz_oids fuzz/driver fuzz/driver/corpus/oids "${1:-30}" -max_len=2048

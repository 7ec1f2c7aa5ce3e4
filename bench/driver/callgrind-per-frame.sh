#!/usr/bin/env bash
# Instructions per 64-byte frame round trip (send, completion, receive,
# return) through the full simulated path, split into driver, host stand-in,
# board and the rest, counted by callgrind (repeatable, unlike timings).
#
#   bench/driver/callgrind-per-frame.sh [BATCHES]     (default 1000 batches of 16)
#
# Two runs that differ only in their number of batches are measured; the
# difference divided by the extra frames leaves out set-up and teardown.
set -euo pipefail
cd "$(dirname "$0")/../.."
extra=${1:-1000}
base=100
cmake --preset native >/dev/null
cmake --build --preset native --target driver_path_run >&2
prog=build/native/bench/driver/driver_path_run
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Sums self instructions by where the function's source lives.
split() {
  callgrind_annotate --inclusive=no --threshold=100 --auto=no "$1" 2>/dev/null | awk '
    /^ *[0-9,]+ .*[:]/ {
      n = $1; gsub(",", "", n)
      if ($0 ~ /net\/win32\//) d += n
      else if ($0 ~ /host\/ndis\//) h += n
      else if ($0 ~ /(^|[ \/])sim\//) b += n
      else o += n
    }
    END { printf "%d %d %d %d\n", d, h, b, o }'
}

for n in "$base" "$((base + extra))"; do
  valgrind --tool=callgrind --callgrind-out-file="$out/cg.$n" "$prog" "$n" >/dev/null 2>"$out/log.$n"
done
read -r d1 h1 b1 o1 < <(split "$out/cg.$base")
read -r d2 h2 b2 o2 < <(split "$out/cg.$((base + extra))")
frames=$((extra * 16))
awk -v f="$frames" -v d=$((d2 - d1)) -v h=$((h2 - h1)) -v b=$((b2 - b1)) -v o=$((o2 - o1)) 'BEGIN {
  printf "instructions per 64-byte frame round trip (%d frames measured)\n", f
  printf "  driver (net/win32)        %8.1f\n", d / f
  printf "  host NDIS stand-in        %8.1f\n", h / f
  printf "  simulated board and wire  %8.1f\n", b / f
  printf "  other (libc, libstdc++)   %8.1f\n", o / f
  printf "  total                     %8.1f\n", (d + h + b + o) / f
}'

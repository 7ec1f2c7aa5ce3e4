#!/bin/sh
# ddk-layouts.sh OBJDUMP OBJECT HEADER
# Writes HEADER: one constexpr per absolute DDK_ symbol of the i686 OBJECT.
set -eu
objdump=$1 object=$2 header=$3
tmp="$header.tmp"
{
  echo "// Generated from $(basename "$object") by ddk-layouts.sh: record layouts of the i686 kernel build."
  echo "#pragma once"
  echo "#include <cstdint>"
  echo "namespace kimage::ddk {"
  "$objdump" -t "$object" | awk '/\(sec -1\).* DDK_/ { name = $NF; sub(/^DDK_/, "", name);
      printf "constexpr uint32_t %s = %s;\n", name, $(NF-1) }'
  echo "}  // namespace kimage::ddk"
} > "$tmp"
grep -q 'constexpr' "$tmp" || { echo "ddk-layouts.sh: no layouts in $object" >&2; rm -f "$tmp"; exit 1; }
mv "$tmp" "$header"

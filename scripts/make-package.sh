#!/usr/bin/env bash
# Puts the driver package together from a built win32 tree:
#
#   make-package.sh BUILD_DIR DIR
#
# DIR gets Trx4n5.sys, Trx4n5.inf, the 32-bit TmrxInt.dll (its debug
# sections taken out) and SHA256SUMS of the three; the debug files,
# Trx4n5.sys.debug and TmrxInt.dll.debug, go beside DIR (in its parent
# folder), not into the package. Prints each file it made.
# Exit 0 when done, 1 when a built file is missing, 2 on bad usage.
set -euo pipefail

[ $# -eq 2 ] || { sed -n '2,8s/^# \{0,1\}//p' "${BASH_SOURCE[0]}" >&2; exit 2; }
build=$1
dir=${2%/}
[ -n "$dir" ] || dir=/
source=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

image=$build/net/win32/Trx4n5.sys
files=("$image" "$image.debug" "$source/net/win32/Trx4n5.inf" "$build/intermed/gui/TmrxInt.dll")
for f in "${files[@]}"; do
  [ -f "$f" ] || { echo "make-package.sh: $f is missing (build the win32 preset first)" >&2; exit 1; }
done

mkdir -p "$dir"
# Absolute from here on: the library is stripped from inside its parent folder.
dir=$(cd "$dir" && pwd)
rm -f "$dir/Trx4n5.sys" "$dir/Trx4n5.inf" "$dir/TmrxInt.dll" "$dir/SHA256SUMS"
cp "$image" "$source/net/win32/Trx4n5.inf" "$build/intermed/gui/TmrxInt.dll" "$dir/"
beside=$(cd "$dir/.." && pwd)
symbols=$beside/Trx4n5.sys.debug
cp "$image.debug" "$symbols"
# The library as built carries its debug sections; the package ships it
# without them and names the file that has them, as the image does.
objcopy=i686-w64-mingw32-objcopy
library_symbols=$beside/TmrxInt.dll.debug
"$objcopy" --only-keep-debug "$dir/TmrxInt.dll" "$library_symbols"
(cd "$beside" && "$objcopy" --strip-debug --add-gnu-debuglink=TmrxInt.dll.debug "$dir/TmrxInt.dll")
(cd "$dir" && sha256sum Trx4n5.sys Trx4n5.inf TmrxInt.dll >SHA256SUMS)

for f in Trx4n5.sys Trx4n5.inf TmrxInt.dll SHA256SUMS; do
  printf '%s\t%s bytes\n' "$dir/$f" "$(stat -c %s "$dir/$f")"
done
printf '%s\t%s bytes (symbols of Trx4n5.sys, not part of the package)\n' "$symbols" "$(stat -c %s "$symbols")"
printf '%s\t%s bytes (symbols of TmrxInt.dll, not part of the package)\n' "$library_symbols" \
  "$(stat -c %s "$library_symbols")"

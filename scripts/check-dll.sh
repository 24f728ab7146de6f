#!/usr/bin/env bash
# Checks the built DLL as it ships:
# - exports exactly the ordinals 30001, 30008 and 30009, by ordinal only;
# - imports exactly KERNEL32.dll GetModuleFileNameA, GetModuleHandleA, GetProcAddress and
#   USER32.dll MessageBoxA: no C runtime, no heap;
# - holds only the sections of code, data, exports, imports, resources, relocations and the debug
#   link: no .CRT, .ctors or .tls section (no start-up code or constructor is needed or run);
# - carries no time stamp;
# - is 14 KiB (14 336 bytes) at most, version resource and debug link included;
# - ends on an 8-byte boundary with its PE checksum right, so that a signed copy without its
#   signature is this very file (scripts/pe-pad.sh);
# - carries its version resource under Polish (0x0415), with the project's version (in four parts,
#   "1.1.0.0"), publisher and copyright line;
# - names cenyzak.dll.debug in its debug link, and that file resolves entry 30008's address to its
#   routine (scripts/symbolize), a C++ routine's address to its demangled name, and an offset past
#   the code to an error.
set -euo pipefail
dll=${1:?usage: check-dll.sh path/to/cenyzak.dll}
dump=$(i686-w64-mingw32-objdump -p "$dll")
passed=0
failed=0
check() { # description, actual, expected
  if [ "$2" = "$3" ]; then
    passed=$((passed + 1))
  else
    echo "cenyzak.dll: $1: [$2], expected [$3]"
    failed=$((failed + 1))
  fi
}

exports=$(awk '/^Export Address Table/{on=1;next} on&&/^\[Ordinal\/Name Pointer\]/{on=0} on' <<<"$dump" |
  grep -E 'Export RVA' | sed -E 's/.*\+base\[ *([0-9]+)\].*/\1/' | tr '\n' ' ')
check "the exported ordinals" "$exports" "30001 30008 30009 "
names=$(awk '/^\[Ordinal\/Name Pointer\] Table/{on=1;next} on&&/^$/{on=0} on' <<<"$dump" | grep -c '\[' || true)
check "the exported names (count)" "$names" "0"

# Each imported function as MODULE.function, from the import tables' "hint name" rows.
imports=$(awk '/^[ \t]*DLL Name:/{dll=$3; next} dll && NF==0 {dll=""} dll && $1 ~ /^[0-9a-f]+$/ && NF==3 {print dll "." $3}' <<<"$dump" |
  sort | tr '\n' ' ')
check "the imported functions" "$imports" \
  "KERNEL32.dll.GetModuleFileNameA KERNEL32.dll.GetModuleHandleA KERNEL32.dll.GetProcAddress USER32.dll.MessageBoxA "

# Zero-initialised state, when there is any, goes to .bss, which is harmless: it is left out.
sections=$(i686-w64-mingw32-objdump -h "$dll" | awk '$1 ~ /^[0-9]+$/ && $2 != ".bss" {print $2}' |
  tr '\n' ' ')
check "the sections" "$sections" ".text .data .rdata .edata .idata .rsrc .reloc .gnu_debuglink "

stamp=$(awk '/^Time\/Date/ {print $2, $3, $4, $5, $6}' <<<"$dump" | head -n 1)
check "the time stamp" "$stamp" "Thu Jan 1 00:00:00 1970"

size=$(stat -c %s "$dll")
if [ "$size" -gt 14336 ]; then
  echo "cenyzak.dll is $size bytes, over 14 KiB (14 336 bytes)"
  failed=$((failed + 1))
else
  passed=$((passed + 1))
fi

# Padding and checksum: scripts/pe-pad.sh leaves a file that has both as it is.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp "$dll" "$tmp/padded"
"$(dirname "$0")/pe-pad.sh" "$tmp/padded"
if cmp -s "$dll" "$tmp/padded"; then
  passed=$((passed + 1))
else
  echo "cenyzak.dll: does not end on an 8-byte boundary with its checksum right (scripts/pe-pad.sh)"
  failed=$((failed + 1))
fi

# The version resource, as windres reads it back: the language, then the numbers and the names.
source "$(dirname "$0")/project.sh"
resource=$(i686-w64-mingw32-windres -i "$dll" -O rc 2>/dev/null | tr -d '\r')
version=$(project_version)
publisher=$(project_publisher)
check "the version resource's language" "$(grep -m 1 '^LANGUAGE' <<<"$resource")" "LANGUAGE 21, 1"
# The string fields in four parts, as Windows shows the numeric version beside them.
check "the version resource's file version" \
  "$(grep -m 1 'VALUE "FileVersion"' <<<"$resource" | tr -s ' ')" " VALUE \"FileVersion\", \"$version.0\""
check "the version resource's product version" \
  "$(grep -m 1 'VALUE "ProductVersion"' <<<"$resource" | tr -s ' ')" " VALUE \"ProductVersion\", \"$version.0\""
check "the version resource's publisher" \
  "$(grep -m 1 'VALUE "CompanyName"' <<<"$resource" | tr -s ' ')" " VALUE \"CompanyName\", \"$publisher\""
grep -q 'VALUE "LegalCopyright", .*'"$publisher" <<<"$resource" && passed=$((passed + 1)) ||
  { echo "cenyzak.dll: no copyright line naming $publisher"; failed=$((failed + 1)); }

# The debug link names the file beside the DLL; entry 30008 resolves to its routine through it.
i686-w64-mingw32-objcopy --dump-section .gnu_debuglink="$tmp/link" "$dll" "$tmp/copy" 2>/dev/null || true
link=$(tr '\0' '\n' 2>/dev/null <"$tmp/link" | head -n 1)
check "the debug link's file name" "$link" "cenyzak.dll.debug"
rva=$(grep -E '\+base\[ *30008\]' <<<"$dump" | awk '{print $(NF-2)}')
entry=$("$(dirname "$0")/symbolize" -d "$(dirname "$dll")/cenyzak.dll.debug" "0x$rva" 2>&1 || true)
check "entry 30008, resolved" "${entry#*: }" "cz_entry_30008 at plugin/entries.cpp:$(
  grep -n 'cz_entry_30008' "$(dirname "$0")/../plugin/entries.cpp" | head -n 1 | cut -d: -f1)"
debug=$(dirname "$dll")/cenyzak.dll.debug
base=$(awk '$1 == "ImageBase" {print $2}' <<<"$dump")
dialog=$(i686-w64-mingw32-nm "$debug" | awk '$3 == "__Z20missing_entry_dialogj" {print $1}')
symbol=$("$(dirname "$0")/symbolize" -d "$debug" "$(printf '0x%x' $((0x$dialog - 0x$base)))" 2>&1 |
  head -n 1 || true)
check "a C++ routine, resolved" "$(sed -E 's/:[0-9]+$//' <<<"${symbol#*: }")" \
  "missing_entry_dialog(unsigned int) at host/dialog.cpp"
image=$(awk '$1 == "SizeOfImage" {print $2}' <<<"$dump")
if "$(dirname "$0")/symbolize" -d "$debug" "cenyzak.dll+0x$image" >/dev/null 2>"$tmp/outside"; then
  echo "cenyzak.dll: symbolize resolved an offset past the image"
  failed=$((failed + 1))
else
  check "an offset past the image" "$(grep -c "lies outside the DLL's code" "$tmp/outside")" 1
fi

if [ $failed -eq 0 ]; then
  echo "cenyzak.dll: exports 30001 30008 30009 by ordinal only; imports $imports; sections" \
    "$sections; no time stamp; $size bytes, ending on the signing boundary with its checksum right;" \
    "version $version of $publisher, filed under Polish; entry 30008 at 0x$rva is ${entry#*: }"
fi
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]

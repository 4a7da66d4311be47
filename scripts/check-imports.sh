#!/usr/bin/env bash
# Fails unless the executable imports Windows system DLLs only, and, for the
# i686 product, unless it is a 32-bit GUI executable marked large-address-
# aware (4 GiB of address space on 64-bit Windows rather than 2).
set -eu
export LC_ALL=C
exe=$1; arch=${2:-x86_64}
objdump=${arch}-w64-mingw32-objdump
[ "$arch" = "i686" ] || [ "$arch" = "x86_64" ] || { echo "unknown arch $arch"; exit 1; }
info=$($objdump -p "$exe")
dlls=$(printf '%s\n' "$info" | awk '/DLL Name:/ {print toupper($3)}' | sort -u)
echo "imports: $(echo $dlls)"
allowed='^(KERNEL32|USER32|GDI32|COMCTL32|COMDLG32|SHELL32|MSVCRT|ADVAPI32|OLE32|SHLWAPI|UCRTBASE|API-MS-WIN-[A-Z0-9-]+)\.DLL$'
bad=$(printf '%s\n' "$dlls" | grep -v -E "$allowed" || true)
if [ -n "$bad" ]; then echo "not a system DLL: $bad"; exit 1; fi
if [ "$arch" = i686 ]; then
  printf '%s\n' "$info" | grep -q 'file format pei-i386' || { echo "not PE32 i386"; exit 1; }
  printf '%s\n' "$info" | grep -qE 'Subsystem\s+0*2\s' || { echo "not a GUI subsystem"; exit 1; }
  # Bit 0x0020 of the file header's characteristics.
  characteristics=$(printf '%s\n' "$info" | awk '/^Characteristics 0x/ {print $2; exit}')
  [ -n "$characteristics" ] && (( characteristics & 0x20 )) ||
    { echo "not large-address-aware (characteristics ${characteristics:-missing})"; exit 1; }
fi
echo "ok"

#!/usr/bin/env bash
# Reads the resources back out of the built executable (windres) and fails
# unless the menu, the panel's dialog, the 64 x 64, 16-colour icon group, the
# version block and the manifest are there as the program needs them.
#   check-resources.sh <exe> [arch] [version, e.g. 4.0.0.0]
set -eu
export LC_ALL=C
exe=$1; arch=${2:-x86_64}; version=${3:-4.0.0.0}
rc=$(${arch}-w64-mingw32-windres -i "$exe" -O rc)
fail() { echo "resources: $1"; exit 1; }
grep -q '^101 MENU' <<<"$rc" || fail "menu 101 missing"
for id in 40001 40002 40003 40004; do
  awk '/^101 MENU/,/^END/' <<<"$rc" | grep -qE "MENUITEM .*, $id\$" || fail "menu item $id missing"
done
grep -q '^103 DIALOGEX 0, 0, 215, 249' <<<"$rc" || fail "dialog 103 missing or of another size"
controls=$(awk '/^103 DIALOGEX/,/^END/' <<<"$rc" | grep -c 'CONTROL')
[ "$controls" = 46 ] || fail "dialog 103 has $controls controls, not 46"
awk '/^105 14/,/^END/' <<<"$rc" | grep -qF '"\100\100\020\000", 1, 4,' ||
  fail "icon group 105 is not one 64 x 64 icon of 16 colours"

# Version block 1: the numbers and texts of the file's properties, in the
# Japanese block of code page 932.
info=$(awk '/^1 VERSIONINFO/,/^END/' <<<"$rc" | sed 's/^ *//')
[ -n "$info" ] || fail "version block 1 missing"
for line in "FILEVERSION ${version//./, }" "PRODUCTVERSION ${version//./, }" \
    'BLOCK "041103A4"' "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
    'VALUE "ProductName", "Pellowrick"' 'VALUE "OriginalFilename", "Pellowrick.exe"' \
    'VALUE "Translation", 0x411, 932'; do
  grep -qxF "$line" <<<"$info" || fail "version block: no $line"
done
grep -qE '^VALUE "FileDescription", L?"[^"]' <<<"$info" || fail "version block: no file description"

# The manifest: exactly one type-24 resource, id 1, well-formed XML.
manifests=$(grep -cE '^[^ /]+ 24 ' <<<"$rc" || true)
[ "$manifests" = 1 ] || fail "$manifests manifests, not 1"
manifest=$(awk '/^1 24 /,/^END/' <<<"$rc" | grep '^ *"' |
  sed -e 's/^ *"//' -e 's/"$//' -e 's/""/"/g' | tr -d '\n')
manifest=$(printf '%b' "$manifest")
[ -n "$manifest" ] || fail "manifest 1 missing"
xmllint --noout - <<<"$manifest" || fail "manifest 1 is not well-formed XML"
xpath() { xmllint --xpath "$1" - <<<"$manifest" 2>/dev/null || true; }
v1="namespace-uri()='urn:schemas-microsoft-com:asm.v1'"
v3="namespace-uri()='urn:schemas-microsoft-com:asm.v3'"
compat="namespace-uri()='urn:schemas-microsoft-com:compatibility.v1'"
ws="namespace-uri()='http://schemas.microsoft.com/SMI/2005/WindowsSettings'"
checks=(
  "count(/*[local-name()='assembly' and $v1 and @manifestVersion='1.0'])=1|not an asm.v1 assembly"
  "string(/*/*[local-name()='trustInfo' and $v3]/*[local-name()='security']/*[local-name()='requestedPrivileges']/*[local-name()='requestedExecutionLevel']/@level)='asInvoker'|execution level is not asInvoker"
  "string(/*/*[local-name()='application' and $v3]/*[local-name()='windowsSettings' and $v3]/*[local-name()='dpiAware' and $ws])='true'|not system DPI-aware"
  "count(//*[local-name()='dpiAwareness'])=0|asks for per-monitor DPI awareness"
  "count(//*[local-name()='dependency' or local-name()='dependentAssembly'])=0|depends on another assembly (the controls would lose their classic look)"
)
for check in "${checks[@]}"; do
  [ "$(xpath "${check%%|*}")" = true ] || fail "manifest: ${check#*|}"
done
# Windows 7, 8, 8.1 and 10/11, in any order; not Vista.
os=$(xpath "/*/*[local-name()='compatibility' and $compat]/*[local-name()='application']/*[local-name()='supportedOS']/@Id" |
  grep -oE '\{[0-9a-f-]+\}' | sort | tr '\n' ' ')
want='{1f676c76-80e1-4239-95bb-83d0f6d0da78} {35138b9a-5d96-4fbd-8e2d-a2440225f93a} {4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38} {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a} '
[ "$os" = "$want" ] || fail "manifest: supported systems are ${os:-none}, not Windows 7, 8, 8.1, 10/11"
echo "ok: menu 101, dialog 103 with $controls controls, icon group 105 (64 x 64, 4 bits)," \
  "version $version, one manifest (asInvoker, Windows 7 to 11, DPI-aware)"

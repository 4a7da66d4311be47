#!/usr/bin/env bash
# Reads the resources back out of the built executable (windres) and fails
# unless the menu, the panel's dialog and the 64 x 64, 16-colour icon group
# are there as the program needs them.
set -eu
export LC_ALL=C
exe=$1; arch=${2:-x86_64}
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
echo "ok: menu 101, dialog 103 with $controls controls, icon group 105 (64 x 64, 4 bits)"

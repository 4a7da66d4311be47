#!/usr/bin/env bash
# Fails unless the release archive holds exactly one folder of its own name
# with the program as built, the sample and the read-me, and unless the
# sample opens where the archive is unpacked and Notepad shows the read-me.
#   check-archive.sh <zip> <name, e.g. Pellowrick-4.0-win32> <built exe>
set -eu
export LC_ALL=C
zip=$1; name=$2; exe=$3
fail() { echo "archive $(basename "$zip"): $1"; exit 1; }
[ -f "$zip" ] || fail "missing"
unzip -l "$zip"
listed=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
want="$name/ $name/Pellowrick.exe $name/README.txt $name/walker.bmp $name/walker.plw "
[ "$listed" = "$want" ] || fail "holds ${listed}instead of $want"
unzip -p "$zip" "$name/Pellowrick.exe" | cmp -s - "$exe" || fail "Pellowrick.exe is not the built program"

[ "$(unzip -p "$zip" "$name/walker.bmp" | head -c 2)" = BM ] || fail "walker.bmp is not a BMP file"
# The settings file's path runs to the first ';'. It must be the sheet's
# bare name: Windows finds that beside the program, where the user unpacked it.
sheet=$(unzip -p "$zip" "$name/walker.plw" | head -c 300 | tr ';' '\n' | head -n1)
[ "$sheet" = walker.bmp ] || fail "walker.plw names its sheet \"$sheet\", not \"walker.bmp\" beside it"

# The read-me: UTF-8 with a byte-order mark, CRLF line ends only.
readme=$(mktemp); trap 'rm -f "$readme"' EXIT
unzip -p "$zip" "$name/README.txt" >"$readme"
[ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "README.txt has no UTF-8 byte-order mark"
iconv -f UTF-8 -t UTF-8 "$readme" >/dev/null 2>&1 || fail "README.txt is not UTF-8"
lines=$(grep -c '' "$readme"); crlf=$(grep -c $'\r$' "$readme" || true)
[ "$lines" -gt 0 ] && [ "$lines" = "$crlf" ] && [ "$(tail -c 1 "$readme" | od -An -tx1 | tr -d ' ')" = 0a ] ||
  fail "README.txt: $crlf of $lines lines end in CRLF, or the last has no line end"
[ "$(tr -cd '\r' <"$readme" | wc -c)" = "$lines" ] || fail "README.txt has a CR that ends no line"
echo "ok: $name.zip with Pellowrick.exe, README.txt (UTF-8 with BOM, CRLF), walker.bmp, walker.plw naming walker.bmp"

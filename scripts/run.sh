#!/usr/bin/env bash
# Builds the x86_64 program and starts it under Wine on the bundled sample.
# With a DISPLAY it runs there until closed. Without one it runs on a virtual
# display in a Wine desktop, presses Start, lets the animation play, saves
# a screenshot, prints its path and closes the program.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
bash scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Pellowrick pellowrick_drive sample >/dev/null
source scripts/wine-env.sh

EXE=$ROOT/build/win64/Pellowrick.exe
DRIVE=$ROOT/build/win64/pellowrick_drive.exe
unix_sample=$ROOT/build/win64/sample/walker.plw
SAMPLE="Z:${unix_sample//\//\\}"   # the same file as Wine's drive Z: names it

if [ -n "${DISPLAY:-}" ]; then
  boot_prefix_if_needed
  exec wine "$EXE" "$SAMPLE"
fi

trap stop_own_processes EXIT
start_display_if_needed
boot_prefix_if_needed
# Each program joins the same Wine desktop; its explorer stays while the
# desktop has windows, so the remote control runs in the background.
DESKTOP_NAME=pellowrick
DESKTOP="explorer /desktop=$DESKTOP_NAME,1100x700"
wine $DESKTOP "$EXE" "$SAMPLE" >/dev/null 2>&1 &
app_pid=$!
wine $DESKTOP "$DRIVE" start >/dev/null 2>&1 &
sleep 6
mkdir -p "$ROOT/build/screenshots"
shot=$ROOT/build/screenshots/pellowrick-run.png
import -window root -display "$DISPLAY" "$shot"
# Keep only the Wine desktop's window; the rest of the virtual screen is empty.
desktop=$(xwininfo -display "$DISPLAY" -name "$DESKTOP_NAME - Wine desktop" 2>/dev/null |
  awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Width:/ {w=$NF} /Height:/ {h=$NF}
       END {if (w) print w "x" h "+" x "+" y}') || true
if [ -n "$desktop" ]; then
  convert "$shot" -crop "$desktop" +repage "$shot"
else
  echo "run: no Wine desktop window found; the screenshot shows the whole screen" >&2
fi
wine $DESKTOP "$DRIVE" close >/dev/null 2>&1 &
for _ in $(seq 1 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.2; done
echo "screenshot: $shot"

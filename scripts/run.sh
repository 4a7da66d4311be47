#!/usr/bin/env bash
# Builds the x86_64 program and starts it under Wine on the bundled sample.
# With a DISPLAY it runs there until closed. Without one it runs on a virtual
# display in a Wine desktop, presses Start, lets the animation play, saves
# a screenshot, prints its path and closes the program.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
source scripts/step.sh
step "setup: the packages and the Japanese locale (first run: several minutes)" \
  "$log_dir/setup.log" bash scripts/setup.sh
build() {
  cmake --preset win64 && cmake --build --preset win64 --target Pellowrick pellowrick_drive sample
}
step "build: the x86_64 program and the sample" "$log_dir/build-run.log" build
source scripts/wine-env.sh

EXE=$ROOT/build/win64/Pellowrick.exe
DRIVE=$ROOT/build/win64/pellowrick_drive.exe
unix_sample=$ROOT/build/win64/sample/walker.plw
SAMPLE="Z:${unix_sample//\//\\}"   # the same file as Wine's drive Z: names it

if [ -n "${DISPLAY:-}" ]; then
  step "Wine prefix: created once, reused afterwards" "$log_dir/wine-prefix.log" boot_prefix_if_needed
  exec wine "$EXE" "$SAMPLE"
fi

trap stop_own_processes EXIT
start_display_if_needed
step "Wine prefix: created once, reused afterwards" "$log_dir/wine-prefix.log" boot_prefix_if_needed
echo "== playing the sample on a virtual display"
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

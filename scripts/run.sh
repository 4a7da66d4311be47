#!/usr/bin/env bash
# Builds the product (the i686 build) and starts it under Wine on the
# bundled sample; PELLOWRICK_BUILD=win64 plays the x86_64 build instead.
# On a machine that does not run 32-bit programs (or with
# PELLOWRICK_I686=emulated) it plays the product on the emulated route,
# trixie's Wine 10 under qemu-i386, which its first run on the machine sets
# up (about 3 minutes, 2 GB); only where that cannot be set up does it say
# why and play the x86_64 build. With a DISPLAY it runs there until closed. Without one it
# runs on a virtual display in a Wine desktop, presses Start, lets the
# animation play, saves a screenshot, prints its path and closes the program.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
source scripts/step.sh
step "setup: the packages and the Japanese locale (first run: several minutes)" \
  "$log_dir/setup.log" bash scripts/setup.sh
source scripts/wine-env.sh
preset=${PELLOWRICK_BUILD:-win32}
case $preset in win32|win64) ;; *) echo "run: PELLOWRICK_BUILD is win32 or win64, not $preset" >&2; exit 2 ;; esac
settle=6   # seconds the program plays before the screenshot
if [ "$preset" = win32 ] && [ "$I686_ROUTE" = emulated ]; then
  if [ "${PELLOWRICK_I686:-}" = emulated ]; then
    echo "run: PELLOWRICK_I686=emulated: playing the product on the emulated route (qemu-i386, Wine 10)"
  else
    echo "run: this machine does not run 32-bit programs (Exec format error): playing the product on the emulated route (qemu-i386, Wine 10)"
  fi
  bash scripts/i686-emulation.sh check ||
    echo "run: first run on this machine: setting up the emulation, about 3 minutes and 2 GB in $EMULATION_DIR"
  if step "i686 emulation: Debian trixie's Wine 10 under qemu-i386" "$log_dir/i686-emulation.log" \
       bash scripts/i686-emulation.sh setup; then
    use_wine emulated
    settle=20
  else
    echo "run: $(tail -n1 "$log_dir/i686-emulation.log" | sed 's/^i686-emulation: //'); playing the x86_64 build"
    preset=win64
  fi
fi
build() {
  cmake --preset "$preset" && cmake --build --preset "$preset" --target Pellowrick pellowrick_drive sample
}
step "build $preset: the program and the sample" "$log_dir/build-run.log" build

EXE=$ROOT/build/$preset/Pellowrick.exe
DRIVE=$ROOT/build/$preset/pellowrick_drive.exe
unix_sample=$ROOT/build/$preset/sample/walker.plw
SAMPLE="Z:${unix_sample//\//\\}"   # the same file as Wine's drive Z: names it

if [ -n "${DISPLAY:-}" ]; then
  step "Wine prefix: created once, reused afterwards" "$log_dir/wine-prefix.log" boot_prefix_if_needed
  wine "$EXE" "$SAMPLE"
  exit
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
sleep "$settle"
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
close_pid=$!
# The program and the remote control end before Wine is stopped: a Wine
# process still starting would otherwise start the prefix's wineserver again
# behind the stop (emulated, starting takes seconds).
for _ in $(seq 1 $((settle * 10))); do
  kill -0 "$app_pid" 2>/dev/null || kill -0 "$close_pid" 2>/dev/null || break
  sleep 0.2
done
echo "screenshot: $shot"

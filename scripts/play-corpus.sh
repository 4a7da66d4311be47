#!/usr/bin/env bash
# Plays every .bmp file under a folder through Pellowrick under Wine, one
# process per file, and prints what became of each (opened, message, crash
# or hang; whether it played; the size label; a hash of the pixels shown)
# and a line of counts. See tools/play_corpus_win.cpp.
#   scripts/play-corpus.sh [win32|win64] <folder> [Pellowrick.exe]
# The build (win32, the product, by default) gives the driver, and the
# program unless another Pellowrick.exe is named (an earlier version, to
# compare). Uses the tree's own Wine prefix and, without a DISPLAY, its own
# virtual display; both are stopped at the end. Where the machine runs no
# 32-bit programs (or PELLOWRICK_I686=emulated), the win32 build plays on
# the emulated route (qemu-i386, Wine 10), with a 32-bit program only.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
usage() { echo "usage: scripts/play-corpus.sh [win32|win64] <folder> [Pellowrick.exe]" >&2; exit 2; }
preset=win32
case ${1:-} in win32|win64) preset=$1; shift ;; esac
[ $# -ge 1 ] && [ $# -le 2 ] || usage
folder=$(realpath -e "$1" 2>/dev/null) && [ -d "$folder" ] || { echo "play-corpus: no folder $1" >&2; exit 2; }
exe=""
if [ $# -eq 2 ]; then
  exe=$(realpath -e "$2" 2>/dev/null) || { echo "play-corpus: no program $2" >&2; exit 2; }
fi

cd "$ROOT"
source scripts/wine-env.sh
# The driver starts the program inside the same Wine: emulated, both are
# 32-bit; natively, a 32-bit program needs a machine that runs them.
if [ -n "$exe" ] && [ "$(pe_bits "$exe")" = 32 ] && [ "$I686_ROUTE" = emulated ] && [ "$preset" = win64 ]; then
  echo "play-corpus: $exe is a 32-bit program, and this machine runs 32-bit programs only emulated: use the win32 build's driver" >&2
  exit 126
fi
if [ -n "$exe" ] && [ "$(pe_bits "$exe")" = 64 ] && [ "$I686_ROUTE" = emulated ] && [ "$preset" = win32 ]; then
  echo "play-corpus: $exe is a 64-bit program, and the win32 build's driver runs emulated here, in a 32-bit Wine: use win64" >&2
  exit 126
fi

mkdir -p build/logs
targets=(pellowrick_play_corpus)
[ -n "$exe" ] || targets+=(Pellowrick)
if ! { cmake --preset "$preset" && cmake --build --preset "$preset" --target "${targets[@]}"; } \
    >"build/logs/play-corpus-build-$preset.log" 2>&1; then
  echo "play-corpus: the build failed; see build/logs/play-corpus-build-$preset.log" >&2
  exit 1
fi
driver=$ROOT/build/$preset/pellowrick_play_corpus.exe
exe=${exe:-$ROOT/build/$preset/Pellowrick.exe}

trap stop_own_processes EXIT
use_wine_for "$driver" || exit 126
[ "$WINE_KIND" = emulated ] && echo "play-corpus: the $preset build plays emulated (qemu-i386, Wine 10)" >&2
start_display_if_needed || exit 1
boot_prefix_if_needed >&2 || exit 1
# A crashed program would otherwise wait behind Wine's crash dialog (in the
# debugger's process, which the driver does not answer) until the driver
# gives up and reports a hang; without the dialog it ends with its
# exception code.
if [ ! -f "$WINEPREFIX/.pellowrick-no-crash-dialog" ]; then
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.pellowrick-no-crash-dialog"
fi

windows_path() { local p=$1; echo "Z:${p//\//\\}"; }  # as Wine's drive Z: names it
# Standard output carries the results alone; what Wine and its debugger
# print (a backtrace for every crash) goes to the log, and of that only the
# driver's own notes are shown.
log=$ROOT/build/logs/play-corpus-$preset.log
start=$(date +%s)
run_windows_program "$driver" "$(windows_path "$exe")" "$(windows_path "$folder")" 2>"$log"
status=$?
grep '^play_corpus' "$log" >&2
echo "play-corpus: $folder with $exe: $(($(date +%s) - start)) s; Wine's messages and crash backtraces in $log" >&2
exit $status

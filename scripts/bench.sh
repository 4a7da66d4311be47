#!/usr/bin/env bash
# Builds and runs the benchmarks of one Windows build under Wine: the
# product (win32, the default) or the x86_64 build (win64).
#   bash scripts/bench.sh [win32|win64]
# Where the product's 32-bit programs run emulated (qemu-i386, Wine 10),
# every line of their output says "emulated": those figures measure the
# emulator as much as the program.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
preset=${1:-win32}
case $preset in win32|win64) ;; *) echo "usage: bench.sh [win32|win64]" >&2; exit 2 ;; esac
source scripts/step.sh
step "setup: the packages and the Japanese locale" "$log_dir/setup.log" bash scripts/setup.sh
build() { cmake --preset "$preset" && cmake --build --preset "$preset" --target keypass_bench memory_bench; }
step "build $preset: the benchmarks" "$log_dir/build-bench-$preset.log" build
source scripts/wine-env.sh
trap stop_own_processes EXIT
use_wine_for "build/$preset/keypass_bench.exe"
start_display_if_needed
boot_prefix_if_needed
label() { cat; }
how=""
if [ "$WINE_KIND" = emulated ]; then
  label() { sed -u 's/$/   [emulated: qemu-i386, Wine 10]/'; }
  how=", emulated"
  echo "bench: the $preset programs run emulated here (qemu-i386, Wine 10): their figures are the emulator's as much as the program's"
fi
echo "== key-pass benchmark ($preset$how)"
run_windows_program "build/$preset/keypass_bench.exe" | label
echo "== memory benchmark ($preset$how)"
run_windows_program "build/$preset/memory_bench.exe" | label

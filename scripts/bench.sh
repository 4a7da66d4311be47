#!/usr/bin/env bash
# Builds and runs the benchmarks of one Windows build under Wine: the
# product (win32, the default) or the x86_64 build (win64).
#   bash scripts/bench.sh [win32|win64]
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
start_display_if_needed
boot_prefix_if_needed
echo "== key-pass benchmark ($preset)"
run_windows_program "build/$preset/keypass_bench.exe"
echo "== memory benchmark ($preset)"
run_windows_program "build/$preset/memory_bench.exe"

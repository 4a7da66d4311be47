#!/usr/bin/env bash
# Builds the three presets and runs every test: host (sanitizers), the
# product checks, the fuzzers and the Wine tests. Ends with one line
# "N passed, M failed"; exits non-zero when anything failed or did not build.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
bash scripts/setup.sh || { echo "0 passed, 1 failed"; exit 1; }
source scripts/wine-env.sh

passed=0; failed=0
log_dir=$ROOT/build/logs; mkdir -p "$log_dir"

note_ctest() {  # adds the counts of one ctest run from its log
  local log=$1 line total nfail
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
  nfail=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed.*/\1/')
  passed=$((passed + total - nfail)); failed=$((failed + nfail))
}

for preset in host win32 win64; do
  echo "== build $preset"
  if ! { cmake --preset "$preset" >"$log_dir/configure-$preset.log" 2>&1 &&
         cmake --build --preset "$preset" >"$log_dir/build-$preset.log" 2>&1; }; then
    echo "build of $preset FAILED:"; tail -n 40 "$log_dir/configure-$preset.log" "$log_dir/build-$preset.log"
    failed=$((failed + 1))
    eval "built_$preset=0"
  else
    eval "built_$preset=1"
  fi
done

if [ "$built_host" = 1 ]; then
  echo "== host tests"
  ctest --preset host -j2 >"$log_dir/test-host.log" 2>&1
  grep -E '(Failed|\*\*\*)' "$log_dir/test-host.log" | head -n 40
  tail -n 3 "$log_dir/test-host.log"; note_ctest "$log_dir/test-host.log"
fi
if [ "$built_win32" = 1 ]; then
  echo "== product checks (win32)"
  ctest --preset win32 >"$log_dir/test-win32.log" 2>&1
  tail -n 3 "$log_dir/test-win32.log"; note_ctest "$log_dir/test-win32.log"
fi
if [ "$built_win64" = 1 ]; then
  echo "== Wine tests (win64)"
  trap stop_own_processes EXIT
  if start_display_if_needed; then
    boot_prefix_if_needed
    ctest --preset win64 >"$log_dir/test-win64.log" 2>&1
    grep -E '(Failed|FAILED|\*\*\*)' "$log_dir/test-win64.log" | head -n 60
    tail -n 3 "$log_dir/test-win64.log"; note_ctest "$log_dir/test-win64.log"
  else
    failed=$((failed + 1))
  fi
  stop_own_processes
fi

echo "logs: $log_dir"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]

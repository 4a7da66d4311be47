#!/usr/bin/env bash
# Builds the three presets and runs every test: host (sanitizers), the
# product checks, the fuzzers and the Wine tests of both Windows builds (the
# i686 ones only where the machine runs 32-bit programs; elsewhere they are
# counted as skipped, never as passed). Each step says what it
# does, how long it took and where its log is. Ends with one line
# "N passed, M failed"; exits non-zero when anything failed or did not build.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
source scripts/step.sh
passed=0; failed=0; skipped=0

note_ctest() {  # adds the counts of one ctest run from its log
  local log=$1 line total nfail
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
  nfail=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed.*/\1/')
  passed=$((passed + total - nfail)); failed=$((failed + nfail))
  echo "   $((total - nfail)) passed, $nfail failed"
  grep -E '^\s*[0-9]+ - .*\((Failed|Timeout|SEGFAULT|Exception|Not Run)\)' "$log" | sed 's/^/   | /'
}

step "setup: the packages and the Japanese locale (first run: several minutes)" \
  "$log_dir/setup.log" bash scripts/setup.sh || { echo "0 passed, 1 failed"; exit 1; }
source scripts/wine-env.sh

build() {
  cmake --preset "$1" && cmake --build --preset "$1"
}
declare -A built
for preset in host win32 win64; do
  built[$preset]=0
  case $preset in
    host) what="the pure core with GoogleTest, sanitizers and the fuzzers" ;;
    win32) what="the i686 product and its Wine tests" ;;
    win64) what="the x86_64 program and its Wine tests" ;;
  esac
  if step "build $preset: $what" "$log_dir/build-$preset.log" build "$preset"; then
    built[$preset]=1
  else
    failed=$((failed + 1))
  fi
done

if [ "${built[host]}" = 1 ]; then
  step "host tests: unit tests under the sanitizers and four fuzzers (about a minute)" \
    "$log_dir/test-host.log" ctest --preset host -j2
  note_ctest "$log_dir/test-host.log"
fi
if [ "${built[win32]}" = 1 ]; then
  step "product checks (win32): imports, resources and archive of the product" \
    "$log_dir/test-win32-product.log" ctest --preset win32 -L product
  note_ctest "$log_dir/test-win32-product.log"
fi

# The Wine suites: the product's (i686) first, then the x86_64 build's,
# each with its own counts. Both share one prefix.
wine_ready=0
if [ "${built[win32]}" = 1 ] || [ "${built[win64]}" = 1 ]; then
  trap stop_own_processes EXIT
  if start_display_if_needed &&
     step "Wine prefix: created once, reused afterwards" "$log_dir/wine-prefix.log" \
       boot_prefix_if_needed; then
    wine_ready=1
  else
    failed=$((failed + 1))
  fi
fi
if [ "$wine_ready" = 1 ] && [ "${built[win32]}" = 1 ]; then
  if [ "$RUNS_32BIT" = 1 ]; then
    step "Wine tests (win32): the product, the real windows under Wine, one process per test file" \
      "$log_dir/test-win32.log" ctest --preset win32 -L wine
    note_ctest "$log_dir/test-win32.log"
  else
    count=$(ctest --preset win32 -L wine -N 2>/dev/null | sed -nE 's/^Total Tests: ([0-9]+)/\1/p')
    skipped=$((skipped + ${count:-0}))
    echo "== Wine tests (win32): NOT RUN, ${count:-0} skipped: this machine does not run 32-bit programs"
    echo "   (its kernel refuses them: Exec format error); they were built, and run where it does"
  fi
fi
if [ "$wine_ready" = 1 ] && [ "${built[win64]}" = 1 ]; then
  step "Wine tests (win64): the x86_64 build, the real windows under Wine, and its product checks" \
    "$log_dir/test-win64.log" ctest --preset win64
  note_ctest "$log_dir/test-win64.log"
fi
[ "$wine_ready" = 1 ] && stop_own_processes

echo "logs: ${log_dir#"$ROOT"/}"
if [ "$skipped" -gt 0 ]; then
  echo "$passed passed, $failed failed, $skipped skipped"
else
  echo "$passed passed, $failed failed"
fi
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]

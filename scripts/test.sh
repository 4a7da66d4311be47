#!/usr/bin/env bash
# Builds the three presets and runs every test: host (sanitizers), the
# product checks, the fuzzers and the Wine tests of both Windows builds.
# Where the machine runs no 32-bit programs (or PELLOWRICK_I686=emulated),
# the i686 Wine tests run on the emulated route (trixie's Wine 10 under
# qemu-i386, set up once per machine), beside the other steps; where that
# cannot be set up they are counted as skipped with the reason, never as
# passed. Each step says what it does, how long it took and where its log
# is. Ends with one line "N passed, M failed"; exits non-zero when anything
# failed or did not build.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
source scripts/step.sh
passed=0; failed=0; skipped=0

note_ctest() {  # adds the counts of one ctest run from its log
  local log=$1 line total nfail
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n1)
  if [ -z "$line" ]; then
    echo "   no test counts in its log: counted as 1 failed"
    failed=$((failed + 1)); return
  fi
  total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
  nfail=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed.*/\1/')
  passed=$((passed + total - nfail)); failed=$((failed + nfail))
  echo "   $((total - nfail)) passed, $nfail failed"
  grep -E '^\s*[0-9]+ - .*\((Failed|Timeout|SEGFAULT|Exception|Not Run)\)' "$log" | sed 's/^/   | /'
}

step "setup: the packages and the Japanese locale (first run: several minutes)" \
  "$log_dir/setup.log" bash scripts/setup.sh || { echo "0 passed, 1 failed"; exit 1; }
source scripts/wine-env.sh

# The Wine tests' time limit: emulated, programs run several times slower.
wine_timeout=300
[ "$I686_ROUTE" = emulated ] && wine_timeout=900
# While the emulated suite runs, the builds beside it yield the processor to
# it: its tests wait on timers too.
build() {
  local yield=() limit=()
  [ -n "$emulated_pid" ] && yield=(nice -n 10)
  [ "$1" = host ] || limit=(-DPELLOWRICK_WINE_TEST_TIMEOUT="$wine_timeout")
  "${yield[@]}" cmake --preset "$1" "${limit[@]}" &&
    "${yield[@]}" cmake --build --preset "$1"
}
declare -A built
build_step() {
  local preset=$1 what
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
}

# The emulated i686 suite runs in the background: its own display, its
# prefix copied from the booted template, its own Wine 10 wineserver
# started, waited for before the tests and stopped after them.
emulated_pid=""
run_emulated_suite() {
  local ctest_pid=""
  trap '[ -n "$ctest_pid" ] && kill "$ctest_pid" 2>/dev/null; stop_own_processes; exit 143' TERM
  export PELLOWRICK_I686=emulated
  unset DISPLAY
  start_own_display || return 1
  use_wine emulated
  boot_prefix_if_needed || { stop_own_processes; return 1; }
  wineserver -w
  echo "i686 Wine tests, emulated: $(dpkg-query --admindir="$EMULATION_ROOT/var/lib/dpkg" -W -f='${Package} ${Version}' 'wine32:i386') under $("$EMULATION_ROOT/opt/pellowrick/qemu-i386" --version | head -n1)"
  ctest --preset win32 -L wine &
  ctest_pid=$!
  wait "$ctest_pid"
  stop_own_processes
}
stop_emulated_suite() {
  [ -n "$emulated_pid" ] || return 0
  kill "$emulated_pid" 2>/dev/null && wait "$emulated_pid" 2>/dev/null
  emulated_pid=""
}
trap 'stop_emulated_suite; stop_own_processes' EXIT
trap 'exit 130' INT TERM

# The product first. Where it runs emulated, its Wine suite starts as soon
# as it is built, beside the other builds and steps, and its counts come last.
build_step win32
if [ "${built[win32]}" = 1 ] && [ "$I686_ROUTE" = emulated ]; then
  count=$(ctest --preset win32 -L wine -N 2>/dev/null | sed -nE 's/^Total Tests: ([0-9]+)/\1/p')
  why="this machine does not run 32-bit programs (its kernel refuses them: Exec format error)"
  [ "${PELLOWRICK_I686:-}" = emulated ] && why="PELLOWRICK_I686=emulated"
  echo "== the i686 Wine tests run emulated: $why"
  if step "i686 emulation: Debian trixie's Wine 10 under qemu-i386, kept in $EMULATION_DIR (first run on a machine: about 3 minutes, 2 GB)" \
       "$log_dir/i686-emulation.log" bash scripts/i686-emulation.sh setup; then
    echo "== Wine tests (win32, EMULATED): the product under qemu-i386 and Wine 10, started beside the next steps (log: ${log_dir#"$ROOT"/}/test-win32-emulated.log)"
    emulated_start=$SECONDS
    run_emulated_suite >"$log_dir/test-win32-emulated.log" 2>&1 &
    emulated_pid=$!
  else
    skipped=$((skipped + ${count:-0}))
    echo "== Wine tests (win32): NOT RUN, ${count:-0} skipped: the emulation could not be set up:"
    echo "   $(tail -n1 "$log_dir/i686-emulation.log" | sed 's/^i686-emulation: //')"
  fi
fi
build_step host
build_step win64

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

# The native Wine suites share one prefix and run one after the other: the
# product's (where the machine runs it), then the x86_64 build's.
wine_ready=0
if [ "${built[win32]}" = 1 ] || [ "${built[win64]}" = 1 ]; then
  if start_display_if_needed &&
     step "Wine prefix: created once, reused afterwards" "$log_dir/wine-prefix.log" \
       boot_prefix_if_needed; then
    wine_ready=1
  else
    failed=$((failed + 1))
  fi
fi
if [ "$wine_ready" = 1 ] && [ "${built[win32]}" = 1 ] && [ "$I686_ROUTE" = native ]; then
  step "Wine tests (win32): the product, the real windows under Wine, one process per test file" \
    "$log_dir/test-win32.log" ctest --preset win32 -L wine
  note_ctest "$log_dir/test-win32.log"
fi
if [ "$wine_ready" = 1 ] && [ "${built[win64]}" = 1 ]; then
  step "Wine tests (win64): the x86_64 build, the real windows under Wine, and its product checks" \
    "$log_dir/test-win64.log" ctest --preset win64
  note_ctest "$log_dir/test-win64.log"
fi
if [ -n "$emulated_pid" ]; then
  echo "== Wine tests (win32, EMULATED): waiting for the emulated i686 suite"
  wait "$emulated_pid"
  emulated_pid=""
  echo "   ran emulated (qemu-i386, Wine 10) in $((SECONDS - emulated_start)) s (log: ${log_dir#"$ROOT"/}/test-win32-emulated.log)"
  note_ctest "$log_dir/test-win32-emulated.log"
fi
stop_own_processes

echo "logs: ${log_dir#"$ROOT"/}"
if [ "$skipped" -gt 0 ]; then
  echo "$passed passed, $failed failed, $skipped skipped"
else
  echo "$passed passed, $failed failed"
fi
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]

# Sourced by the scripts that run Windows programs: a display and a private,
# reused Wine prefix inside the build folder, and `run_windows_program`,
# which starts a PE32 (the i686 product) or PE32+ (x86_64) file with the
# loader that runs it. Everything started here is stopped by pid (Xvfb) or
# for this prefix only (wineserver -k).
#
# Two Wines: the machine's own (Debian 12's Wine 8) runs every program where
# the machine runs 32-bit programs, and the x86_64 ones everywhere. Where it
# does not, 32-bit programs run on the emulated route (scripts/i686-emulation.sh:
# trixie's Wine 10 under qemu-i386), in a prefix of their own with their own
# wineserver. PELLOWRICK_I686=emulated takes that route on any machine.
ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
NATIVE_PREFIX=${WINEPREFIX:-$ROOT/build/wine-prefix}
EMULATED_PREFIX=${PELLOWRICK_I686_PREFIX:-$ROOT/build/wine10-i686-prefix}
EMULATION_DIR=${PELLOWRICK_EMULATION_DIR:-/var/cache/pellowrick/i686-emulation}
EMULATION_ROOT=$EMULATION_DIR/trixie
# The booted prefix each tree's emulated prefix is copied from, one per user.
EMULATED_TEMPLATE=${XDG_CACHE_HOME:-$HOME/.cache}/pellowrick/wine10-i686-prefix
export WINEPREFIX=$NATIVE_PREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# For the programs started from here. A shell that started before setup
# generated the locale cannot switch to it itself and would warn on every
# assignment; Wine and the tests, started afterwards, get it all the same.
{ export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8; } 2>/dev/null

WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64

# Whether this machine executes 32-bit programs at all: Debian's 32-bit
# Wine loader is one, and answers --version at once where it can run. Some
# kernels are built or booted without 32-bit support ("Exec format error").
machine_runs_32bit() {
  [ -x "$WINE32_LOADER" ] && "$WINE32_LOADER" --version >/dev/null 2>&1
}
case ${PELLOWRICK_I686:-} in
  emulated) RUNS_32BIT=0 ;;   # as if the machine refused 32-bit programs
  ''|native) if machine_runs_32bit; then RUNS_32BIT=1; else RUNS_32BIT=0; fi ;;
  *) echo "wine-env: PELLOWRICK_I686 is emulated or unset, not $PELLOWRICK_I686; asking the machine" >&2
     if machine_runs_32bit; then RUNS_32BIT=1; else RUNS_32BIT=0; fi ;;
esac
# How the product's 32-bit programs run here: native or emulated.
if [ "$RUNS_32BIT" = 1 ]; then I686_ROUTE=native; else I686_ROUTE=emulated; fi

# use_wine native|emulated: the Wine, prefix and wineserver that the
# functions `wine` and `wineserver` below and everything they start use.
# Natively, Debian's `wine` starts the 32-bit loader whenever wine32 is
# installed, and that one hands 64-bit programs on to wine64; where the
# 32-bit loader cannot run, 64-bit programs go to wine64 directly.
use_wine() {
  WINE_KIND=$1
  unset WINELOADER WINESERVER WINEARCH
  if [ "$1" = emulated ]; then
    export WINEPREFIX=$EMULATED_PREFIX WINEARCH=win32
    export WINESERVER=$EMULATION_ROOT/opt/pellowrick/wineserver
    export WINELOADER=$EMULATION_ROOT/opt/pellowrick/wine
    wine() { "$WINELOADER" "$@"; }
    wineserver() { "$WINESERVER" "$@"; }
  else
    export WINEPREFIX=$NATIVE_PREFIX
    if [ "$RUNS_32BIT" = 0 ] && [ -x "$WINE64_LOADER" ]; then
      export WINELOADER=$WINE64_LOADER
      wine() { "$WINE64_LOADER" "$@"; }
    else
      wine() { command wine "$@"; }
    fi
    wineserver() { command wineserver "$@"; }
  fi
}
use_wine native

# The emulated route set up (once per machine; the script says so when it
# starts, it takes about 3 minutes and 2 GB). Fails with the reason on the
# last line of its output when it cannot be set up here.
EMULATION_SKIP_REASON=""
ensure_emulation() {
  local out
  bash "$ROOT/scripts/i686-emulation.sh" check && return 0
  echo "wine-env: setting up the emulation of 32-bit programs (first run on this machine: about 3 minutes, 2 GB in $EMULATION_DIR)"
  out=$(bash "$ROOT/scripts/i686-emulation.sh" setup 2>&1 | tee /dev/stderr | tail -n1; exit "${PIPESTATUS[0]}") && return 0
  EMULATION_SKIP_REASON=${out#i686-emulation: }
  return 1
}

# use_wine_for EXE: the Wine that runs this file here; fails with one line
# for a 32-bit program when the emulated route cannot be set up.
use_wine_for() {
  if [ "$(pe_bits "$1")" = 32 ] && [ "$I686_ROUTE" = emulated ]; then
    if ! ensure_emulation >&2; then
      echo "wine-env: $(basename "$1") is a 32-bit program, this machine does not run 32-bit programs (Exec format error), and $EMULATION_SKIP_REASON" >&2
      return 126
    fi
    use_wine emulated
  else
    use_wine native
  fi
}

# 32 or 64: the bitness of a PE file, from its optional header's magic.
pe_bits() {
  local offset magic
  offset=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$offset" ] || return 1
  magic=$(od -An -t x2 -j $((offset + 24)) -N 2 "$1" 2>/dev/null | tr -d ' ')
  case $magic in
    010b) echo 32 ;;
    020b) echo 64 ;;
    *) return 1 ;;
  esac
}

# run_windows_program EXE ARGS...: with the Wine that runs the file here
# (use_wine_for); a 32-bit program on a machine that neither runs nor can
# emulate one fails with one line before Wine is asked.
run_windows_program() {
  local kind=native
  [ "$(pe_bits "$1")" = 32 ] && [ "$I686_ROUTE" = emulated ] && kind=emulated
  if [ "$WINE_KIND" != "$kind" ]; then
    use_wine_for "$1" || return 126
    boot_prefix_if_needed >&2 || return 1
  fi
  wine "$@"
}

# start_display_if_needed: a virtual display of our own unless one is set.
# start_own_display: one of our own in any case (a step that runs beside
# another has its own screen, so neither's windows cover the other's).
OWN_XVFB_PIDS=()
start_own_display() {
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  OWN_XVFB_PIDS+=($!)
  for _ in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  if [ ! -s "$fdfile" ]; then
    echo "wine-env: Xvfb did not start" >&2
    rm -f "$fdfile"
    return 1
  fi
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
}
start_display_if_needed() {
  [ -n "${DISPLAY:-}" ] && return 0
  start_own_display
}

# What the prefix was made with: the Wine packages and whether their 32-bit
# half runs. A prefix made without the 32-bit half breaks once it is there
# (every program then ends with "could not load kernel32.dll"), so a prefix
# whose record differs is made again.
wine_installation() {
  if [ "$WINE_KIND" = emulated ]; then
    echo "emulated: $(cat "$EMULATION_ROOT/.pellowrick-ready" 2>/dev/null)"
    dpkg-query --admindir="$EMULATION_ROOT/var/lib/dpkg" -W -f='${Package}:${Architecture} ${Version}\n' 'wine32:i386' 'libwine:i386' 2>/dev/null | sort
    return
  fi
  dpkg-query -W -f='${Package}:${Architecture} ${Version}\n' wine64 'wine32:i386' libwine 'libwine:i386' 2>/dev/null | sort
  echo "runs 32-bit: $RUNS_32BIT"
}

# Megabytes free where a folder is or would be.
free_mb() {
  local dir=$1
  while [ ! -d "$dir" ]; do dir=$(dirname "$dir"); done
  df -Pm "$dir" | awk 'NR == 2 { print $4 }'
}

# The prefix's own settings, applied once.
apply_prefix_settings() {
  if [ ! -f "$WINEPREFIX/.pellowrick-settings-1" ]; then
    # Unmanaged windows: with no window manager on the virtual display, Wine
    # otherwise waits two seconds for every window it hides or destroys.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    # The dialog font of the panel, drawn with the Japanese font installed.
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.pellowrick-settings-1"
  fi
}

# The emulated prefix: a copy of a booted template (booting one under the
# emulator takes minutes; copying it, seconds). Made once per user.
make_emulated_prefix() {
  local now=$1 free
  mkdir -p "$(dirname "$EMULATED_TEMPLATE")"
  (
    flock 9
    if [ ! -f "$EMULATED_TEMPLATE/.pellowrick-booted" ] ||
       [ "$(cat "$EMULATED_TEMPLATE/.pellowrick-booted")" != "$now" ]; then
      free=$(free_mb "$(dirname "$EMULATED_TEMPLATE")")
      if [ "${free:-0}" -lt 1000 ]; then
        echo "wine-env: too little disk space for the emulated prefix: ${free:-?} MB free in $(dirname "$EMULATED_TEMPLATE"), 1000 MB needed" >&2
        exit 1
      fi
      rm -rf "$EMULATED_TEMPLATE"
      mkdir -p "$EMULATED_TEMPLATE"
      echo "wine-env: booting the emulated Wine 10 prefix template $EMULATED_TEMPLATE (once per user, a few minutes)"
      WINEPREFIX=$EMULATED_TEMPLATE wine wineboot -i >/dev/null 2>&1 || true
      WINEPREFIX=$EMULATED_TEMPLATE wineserver -w
      WINEPREFIX=$EMULATED_TEMPLATE apply_prefix_settings
      echo "$now" >"$EMULATED_TEMPLATE/.pellowrick-booted"
    fi
  ) 9>"$(dirname "$EMULATED_TEMPLATE")/.wine10-i686-prefix.lock" || return 1
  free=$(free_mb "$(dirname "$WINEPREFIX")")
  if [ "${free:-0}" -lt 1000 ]; then
    echo "wine-env: too little disk space for the emulated prefix: ${free:-?} MB free in $(dirname "$WINEPREFIX"), 1000 MB needed" >&2
    return 1
  fi
  echo "wine-env: copying the emulated prefix from $EMULATED_TEMPLATE"
  rm -rf "$WINEPREFIX"
  cp -a "$EMULATED_TEMPLATE" "$WINEPREFIX.partial" && mv "$WINEPREFIX.partial" "$WINEPREFIX"
}

WINE_KINDS_USED=""
boot_prefix_if_needed() {
  local marker=$WINEPREFIX/.pellowrick-booted now
  case " $WINE_KINDS_USED " in *" $WINE_KIND "*) ;; *) WINE_KINDS_USED="$WINE_KINDS_USED $WINE_KIND" ;; esac
  now=$(wine_installation)
  if [ -f "$marker" ] && [ "$(cat "$marker")" != "$now" ]; then
    case $WINEPREFIX in
      "$ROOT"/build/*)
        echo "wine-env: the Wine installation changed since the prefix was made; making it again"
        wineserver -k >/dev/null 2>&1 || true
        rm -rf "$WINEPREFIX" ;;
      *)
        echo "wine-env: $WINEPREFIX was made by another Wine installation; it is not ours to remove" >&2 ;;
    esac
  fi
  if [ ! -f "$marker" ]; then
    if [ "$WINE_KIND" = emulated ]; then
      make_emulated_prefix "$now" || return 1
    else
      mkdir -p "$WINEPREFIX"
      echo "wine-env: booting the Wine prefix $WINEPREFIX (once)"
      wine wineboot -i >/dev/null 2>&1 || true
      wineserver -w
      echo "$now" >"$marker"
    fi
  fi
  apply_prefix_settings
}

# stop_wine native|emulated: ends the Wine processes of that prefix only,
# through its own wineserver.
stop_wine() {
  local prefix=$NATIVE_PREFIX
  [ "$1" = emulated ] && prefix=$EMULATED_PREFIX
  [ -d "$prefix" ] || return 0
  if [ "$1" = emulated ]; then
    [ -x "$EMULATION_ROOT/opt/pellowrick/wineserver" ] || return 0
    WINEPREFIX=$prefix "$EMULATION_ROOT/opt/pellowrick/wineserver" -k >/dev/null 2>&1 || true
  else
    WINEPREFIX=$prefix command wineserver -k >/dev/null 2>&1 || true
  fi
}

# Ends the Wine processes of the prefixes booted here, and our displays.
stop_own_processes() {
  local kind pid
  for kind in $WINE_KINDS_USED; do stop_wine "$kind"; done
  for pid in "${OWN_XVFB_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  OWN_XVFB_PIDS=()
}

# Sourced by the scripts that run Windows programs: a display and a private,
# reused Wine prefix inside the build folder, and `run_windows_program`,
# which starts a PE32 (the i686 product) or PE32+ (x86_64) file with the
# loader that runs it. Everything started here is stopped by pid (Xvfb) or
# for this prefix only (wineserver -k).
ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$ROOT/build/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# For the programs started from here. A shell that started before setup
# generated the locale cannot switch to it itself and would warn on every
# assignment; Wine and the tests, started afterwards, get it all the same.
{ export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8; } 2>/dev/null
OWN_XVFB_PID=""

WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64

# Whether this machine executes 32-bit programs at all: Debian's 32-bit
# Wine loader is one, and answers --version at once where it can run. Some
# kernels are built or booted without 32-bit support ("Exec format error").
machine_runs_32bit() {
  [ -x "$WINE32_LOADER" ] && "$WINE32_LOADER" --version >/dev/null 2>&1
}
if machine_runs_32bit; then RUNS_32BIT=1; else RUNS_32BIT=0; fi

# Debian's `wine` starts the 32-bit loader whenever wine32 is installed,
# and that one hands 64-bit programs on to wine64. Where the 32-bit loader
# cannot run, 64-bit programs go to wine64 directly.
if [ "$RUNS_32BIT" = 0 ] && [ -x "$WINE64_LOADER" ]; then
  export WINELOADER=$WINE64_LOADER
  wine() { "$WINE64_LOADER" "$@"; }
fi

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

# run_windows_program EXE ARGS...: fails with one line, before Wine is
# asked, for a 32-bit program on a machine that cannot run one.
run_windows_program() {
  if [ "$(pe_bits "$1")" = 32 ] && [ "$RUNS_32BIT" = 0 ]; then
    echo "wine-env: $(basename "$1") is a 32-bit program, and this machine does not run 32-bit programs (its kernel refuses them: Exec format error)" >&2
    return 126
  fi
  wine "$@"
}

start_display_if_needed() {
  [ -n "${DISPLAY:-}" ] && return 0
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  OWN_XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  if [ ! -s "$fdfile" ]; then
    echo "wine-env: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
}

# What the prefix was made with: the Wine packages and whether their 32-bit
# half runs. A prefix made without the 32-bit half breaks once it is there
# (every program then ends with "could not load kernel32.dll"), so a prefix
# whose record differs is made again.
wine_installation() {
  dpkg-query -W -f='${Package}:${Architecture} ${Version}\n' wine64 'wine32:i386' libwine 'libwine:i386' 2>/dev/null | sort
  echo "runs 32-bit: $RUNS_32BIT"
}

boot_prefix_if_needed() {
  local marker=$WINEPREFIX/.pellowrick-booted now
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
    mkdir -p "$WINEPREFIX"
    echo "wine-env: booting the Wine prefix $WINEPREFIX (once)"
    wine wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    echo "$now" >"$marker"
  fi
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

stop_own_processes() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$OWN_XVFB_PID" ]; then
    kill "$OWN_XVFB_PID" 2>/dev/null || true
    wait "$OWN_XVFB_PID" 2>/dev/null || true
    OWN_XVFB_PID=""
  fi
}

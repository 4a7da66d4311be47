# Sourced by the scripts that run Windows programs: a display and a private,
# reused Wine prefix inside the build folder. Everything started here is
# stopped by pid (Xvfb) or for this prefix only (wineserver -k).
ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$ROOT/build/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
OWN_XVFB_PID=""

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

boot_prefix_if_needed() {
  if [ ! -f "$WINEPREFIX/.pellowrick-booted" ]; then
    mkdir -p "$WINEPREFIX"
    echo "wine-env: booting the Wine prefix $WINEPREFIX (once)"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.pellowrick-booted"
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

# Sourced by the scripts that run the programs under Wine: a private prefix in
# the build tree, a display, a warm wineserver. Safe to source more than once.
# shellcheck shell=bash

QZ_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="$QZ_ROOT/build/wineprefix"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
# The ANSI code page comes from the locale: C.UTF-8 gives Windows-1252.
export LC_ALL=C.UTF-8
export LANG=C.UTF-8

qz_start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  # Reuse the Xvfb an earlier run of this tree started, rather than piling up new ones.
  local remembered="$QZ_ROOT/build/xvfb-display"
  if [ -f "$remembered" ] && DISPLAY=$(cat "$remembered") xdpyinfo >/dev/null 2>&1; then
    DISPLAY=$(cat "$remembered")
    export DISPLAY
    return 0
  fi
  local number
  for number in 91 92 93 94 95 96 97 98 99; do
    if [ ! -e "/tmp/.X${number}-lock" ]; then
      Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
      export QZ_XVFB_PID=$!
      export DISPLAY=":$number"
      local tries
      for tries in $(seq 50); do
        if xdpyinfo >/dev/null 2>&1; then
          mkdir -p "$QZ_ROOT/build" && echo "$DISPLAY" >"$remembered"
          return 0
        fi
        sleep 0.1
      done
      echo "wine-env: Xvfb on :$number did not start" >&2
      return 1
    fi
  done
  echo "wine-env: no free display number" >&2
  return 1
}

qz_make_prefix() {
  if [ -f "$WINEPREFIX/.qz-ready" ]; then return 0; fi
  echo "wine-env: creating the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1
  wineserver -w
  # Debian's Wine does not find its own fonts.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  # Without a window manager Wine waits 2 s after each window closes unless unmanaged.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.qz-ready"
}

qz_wine_ready() {
  qz_start_display
  qz_make_prefix
  # One wineserver stays warm across all the runs of this shell. Wine's own
  # services inherit the descriptors of whoever starts them first: never a pipe
  # that someone waits on, or the reader waits for ever.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

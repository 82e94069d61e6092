# Sourced by every script that uses Wine: which Windows architectures this
# machine can run, a private prefix in the build tree, a display, a warm
# wineserver. Safe to source more than once.
#
# Some machines here cannot start 32-bit Linux programs at all ("Exec format
# error"), yet Debian's wine, wineboot and winecfg commands always take the
# 32-bit loader once wine32 is installed. So every Wine command of these
# scripts goes through the 64-bit loader, which runs everywhere: the commands
# wine, wineboot and wineserver resolve to build/wine-tools/, and Wine itself
# starts the 32-bit loader only for a 32-bit program, which happens only where
# QZ_WINE_ARCHES says the machine can run it.
# shellcheck shell=bash

QZ_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QZ_WINE64_LOADER=/usr/lib/wine/wine64
QZ_WINE32_LOADER=/usr/lib/wine/wine
export WINELOADER=$QZ_WINE64_LOADER
export WINESERVER=/usr/lib/wine/wineserver64
# One prefix serves both architectures: a 64-bit prefix runs 32-bit programs
# the way a 64-bit Windows does.
export WINEARCH=win64
export WINEPREFIX="$QZ_ROOT/build/wineprefix"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all

# The commands by which scripts and tests call Wine, bound to the 64-bit loader.
# They alone set the locale, which gives Wine its ANSI code page (C.UTF-8:
# Windows-1252); the scripts that source this file keep their own. A shim is
# rewritten only when it differs, through a rename, so that a run starting
# meanwhile never reads half of one.
qz_wine_tools="$QZ_ROOT/build/wine-tools"
qz_write_shim() {  # qz_write_shim NAME COMMAND...
  local file="$qz_wine_tools/$1" body
  shift
  body=$(printf '#!/bin/sh\nLC_ALL=C.UTF-8 LANG=C.UTF-8 exec %s "$@"' "$*")
  [ "$(cat "$file" 2>/dev/null)" = "$body" ] && return 0
  mkdir -p "$qz_wine_tools" && printf '%s\n' "$body" >"$file.$$" && chmod +x "$file.$$" && mv -f "$file.$$" "$file"
}
qz_write_shim wine "$QZ_WINE64_LOADER"
qz_write_shim wineserver "$WINESERVER"
qz_write_shim wineboot "$QZ_WINE64_LOADER" wineboot.exe
case ":$PATH:" in
  *":$qz_wine_tools:"*) ;;
  *) export PATH="$qz_wine_tools:$PATH" ;;
esac

# The architectures of Windows programs this machine runs, the shipped 32-bit
# one first: win64 always; win32 only when the 32-bit loader (LOADER, by
# default Debian's) really starts. QZ_WINE32_MISSING says why not, in a few
# words, when it does not. Decided on each sourcing, whatever the caller's
# environment says: no setting turns the Wine tests off.
qz_decide_architectures() {  # qz_decide_architectures [LOADER]
  local loader=${1:-$QZ_WINE32_LOADER} answer
  if answer=$("$loader" --version 2>&1); then
    QZ_WINE_ARCHES="win32 win64"
    QZ_WINE32_MISSING=
  else
    QZ_WINE_ARCHES="win64"
    answer=$(head -n 1 <<<"$answer")
    QZ_WINE32_MISSING="the 32-bit Wine loader does not start here (${answer##*: })"
  fi
  export QZ_WINE_ARCHES QZ_WINE32_MISSING
}
qz_decide_architectures

# qz_can_run PRESET: whether this machine runs the programs of that preset.
qz_can_run() { [[ " $QZ_WINE_ARCHES " == *" $1 "* ]]; }

# The build that shows the programs best here: the shipped 32-bit one where it runs.
qz_preferred_preset() { if qz_can_run win32; then echo win32; else echo win64; fi; }

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
    # A lock whose server is gone is stale: Xvfb takes such a number over.
    if [ ! -e "/tmp/.X${number}-lock" ] || ! kill -0 "$(tr -d ' ' <"/tmp/.X${number}-lock" 2>/dev/null)" 2>/dev/null; then
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
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1
  wineserver -w
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-env: wineboot made no prefix in $WINEPREFIX" >&2
    return 1
  fi
  # Debian's Wine does not find its own fonts.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  # Without a window manager Wine waits 2 s after each window closes unless unmanaged.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.qz-ready"
}

# qz_wine_run PROGRAM ARGS...: runs a Windows program and passes on its
# output and exit code. The output goes through files: Wine's background
# services keep whatever descriptors they inherit, and a pipe would never close.
qz_wine_run() {
  local out err status
  out=$(mktemp) err=$(mktemp)
  wine "$@" </dev/null >"$out" 2>"$err"
  status=$?
  cat "$out"
  cat "$err" >&2
  rm -f "$out" "$err"
  return $status
}

# qz_wine_gtest PROGRAM ARGS...: runs a GoogleTest program as qz_wine_run
# does, and passes only when it exited with 0 and its summary counts at least
# one passed test. A filter that selects nothing passes no test; a display
# error can end a Wine process with exit code 0 before the summary.
qz_wine_gtest() {
  local out status
  out=$(mktemp)
  qz_wine_run "$@" >"$out"
  status=$?
  cat "$out"
  if [ "$status" -eq 0 ] && ! grep -q -E '^\[  PASSED  \] [1-9][0-9]* tests?\.' "$out"; then
    echo "wine-env: ${1##*/} ended with 0 but passed no test" >&2
    status=1
  fi
  rm -f "$out"
  return "$status"
}

qz_wine_ready() {
  qz_start_display || return 1
  qz_make_prefix || return 1
  # One wineserver stays warm across all the runs of this shell. Wine's own
  # services inherit the descriptors of whoever starts them first: never a pipe
  # that someone waits on, or the reader waits for ever.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

#!/usr/bin/env bash
# Runs a Windows test program under Wine at another DPI, passed as wine-run.sh
# passes it: run_at_dpi.sh DPI PROGRAM ARGS...
# The setting lives in a copy of the project's Wine prefix, build/wineprefix-dpiN,
# so that nothing else running in the main prefix sees it. The copy shares the
# main prefix's unchanging files through hard links and has registry files of
# its own. QZ_EXPECTED_DPI tells the program what to expect.
set -u
dpi=$1
shift
source "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/wine-env.sh"
qz_wine_ready || exit 1

base=$WINEPREFIX
copy="$QZ_ROOT/build/wineprefix-dpi$dpi"
if [ ! -f "$copy/.qz-dpi-ready" ] || [ "$base/.qz-ready" -nt "$copy/.qz-dpi-ready" ]; then
  echo "run_at_dpi: preparing $copy"
  # The main prefix's server writes its registry files whole (new file, then
  # rename), so a copy taken while it runs is consistent.
  rm -rf "$copy"
  cp -al "$base" "$copy" || exit 1
  for file in "$base"/*.reg; do
    cp --remove-destination "$file" "$copy/" || exit 1
  done
  rm -rf "$copy/drive_c/users"
  cp -a "$base/drive_c/users" "$copy/drive_c/users"
  export WINEPREFIX=$copy
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
  wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
  wineserver -w
  touch "$copy/.qz-dpi-ready"
fi

export WINEPREFIX=$copy
export QZ_EXPECTED_DPI=$dpi
qz_wine_gtest "$@"
status=$?
wineserver -w </dev/null >/dev/null 2>&1
exit $status

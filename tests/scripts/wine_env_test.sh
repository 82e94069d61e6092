#!/usr/bin/env bash
# The Wine environment decides which Windows architectures this machine runs,
# whatever the caller's environment says; no Wine command of the scripts
# reaches the 32-bit loader; a GoogleTest run passes only when a test passed.
set -u
script="$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
wrong() { echo "WRONG: $*"; failures=$((failures + 1)); }

# decide LOADER: the decision, as "arches|reason|preset", with LOADER as the 32-bit loader.
decide() {
  (source "$script" && qz_decide_architectures "$1"
   echo "$QZ_WINE_ARCHES|$QZ_WINE32_MISSING|$(qz_preferred_preset)")
}

printf '#!/bin/sh\necho "$0: cannot execute binary file: Exec format error" >&2\nexit 126\n' >"$work/no-exec"
printf '#!/bin/sh\necho wine-8.0\n' >"$work/starts"
chmod +x "$work/no-exec" "$work/starts"

answer=$(decide "$work/no-exec")
[ "$answer" = "win64|the 32-bit Wine loader does not start here (Exec format error)|win64" ] ||
  wrong "a 32-bit loader that cannot execute: $answer"
answer=$(decide "$work/missing")
[[ $answer == "win64|the 32-bit Wine loader does not start here ("*")|win64" ]] || wrong "no 32-bit loader: $answer"
answer=$(decide "$work/starts")
[ "$answer" = "win32 win64||win32" ] || wrong "a 32-bit loader that starts: $answer"

# The caller's environment chooses nothing: sourcing decides as on this machine.
here=$(unset QZ_WINE_ARCHES QZ_WINE32_MISSING; source "$script"; echo "$QZ_WINE_ARCHES|$QZ_WINE32_MISSING")
told=$(export QZ_WINE_ARCHES=none QZ_WINE32_MISSING=told QZ_WINE32_LOADER=/bin/false; source "$script"
  echo "$QZ_WINE_ARCHES|$QZ_WINE32_MISSING")
[ "$told" = "$here" ] || wrong "the caller's environment chose $told instead of $here"
[[ " ${here%%|*} " == *" win64 "* ]] || wrong "no win64 where Wine runs: $here"

# Whatever the machine, the commands the scripts call take the 64-bit loader
# and the locale that gives Wine its code page; the sourcing script keeps its own.
(
  unset QZ_WINE_ARCHES
  export LC_ALL=POSIX
  source "$script"
  [ "$LC_ALL" = POSIX ] || { echo "WRONG: sourcing set LC_ALL to $LC_ALL"; exit 1; }
  for command in wine wineboot wineserver; do
    found=$(command -v "$command")
    [ "$found" = "$QZ_ROOT/build/wine-tools/$command" ] || { echo "WRONG: $command is $found"; exit 1; }
    grep -q -E '^LC_ALL=C.UTF-8 .*/usr/lib/wine/(wine64|wineserver64)\b' "$found" ||
      { echo "WRONG: $command: $(cat "$found")"; exit 1; }
  done
  [ "$WINELOADER" = /usr/lib/wine/wine64 ] || { echo "WRONG: WINELOADER is $WINELOADER"; exit 1; }
) || failures=$((failures + 1))

# A GoogleTest run (here a stand-in for wine printing OUTPUT and ending with
# STATUS) passes only when it ended with 0 and passed at least one test.
while IFS='|' read -r output status verdict; do
  got=$( (source "$script"; wine() { printf '%b' "$1"; return "$2"; }
    qz_wine_gtest "$output" "$status" >/dev/null 2>&1) && echo pass || echo fail)
  [ "$got" = "$verdict" ] || wrong "a run printing '$output' with exit code $status gave $got"
done <<'ROWS'
[  PASSED  ] 12 tests.\r\n|0|pass
[  PASSED  ] 1 test.\n|0|pass
[  PASSED  ] 0 tests.\n|0|fail
[  PASSED  ] 12 tests.\n|3|fail
[ RUN      ] A.b\n|0|fail
[  PASSED  ] 11 tests.\n[  FAILED  ] 1 test\n|1|fail
ROWS

[ "$failures" -eq 0 ] && echo "wine-env: architecture decision, commands and test verdicts as expected"
[ "$failures" -eq 0 ]

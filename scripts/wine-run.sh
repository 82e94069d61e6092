#!/usr/bin/env bash
# Runs one Windows program under the project's Wine prefix and passes on its
# output and exit code. CTest uses it as the emulator of the Windows builds.
# The program's output goes through files: Wine's background services keep
# whatever descriptors they inherit, and a pipe would never close.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
qz_wine_ready || exit 1
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
wine "$@" </dev/null >"$out" 2>"$err"
status=$?
cat "$out"
cat "$err" >&2
exit $status

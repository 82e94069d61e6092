#!/usr/bin/env bash
# Registers the stand-in mail clients of a build (win32 where this machine runs
# 32-bit programs, win64 otherwise, or the preset named) in the project's Wine
# prefix under the real clients' ProgIDs ("Notes.NotesSession",
# "Notes.NotesUIWorkspace", "Outlook.Application"), through their own
# /RegServer switch; --unregister removes them again. The end-to-end tests
# register what each case needs themselves.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

switch=/RegServer
preset=$(qz_preferred_preset)
for argument in "$@"; do
  case $argument in
    --unregister) switch=/UnregServer ;;
    win32 | win64) preset=$argument ;;
    *) echo "usage: $0 [--unregister] [win32|win64]" >&2; exit 2 ;;
  esac
done

standins="$QZ_ROOT/build/$preset/bin/standins"
qz_make_prefix || exit 1
for server in NotesStandin OutlookStandin; do
  if [ ! -f "$standins/$server.exe" ]; then
    echo "register-standins: $standins/$server.exe is missing: build the $preset preset first" >&2
    exit 1
  fi
  # Output to files, never a pipe: Wine's services would keep it open.
  if ! timeout 60 wine "$standins/$server.exe" "$switch" </dev/null >/dev/null 2>&1; then
    echo "register-standins: $server $switch failed" >&2
    exit 1
  fi
done
echo "register-standins: $switch done for NotesStandin and OutlookStandin"

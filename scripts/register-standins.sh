#!/usr/bin/env bash
# Registers the stand-in mail clients of the win32 build in the project's Wine
# prefix under the real clients' ProgIDs ("Notes.NotesSession",
# "Notes.NotesUIWorkspace", "Outlook.Application"), through their own
# /RegServer switch; --unregister removes them again. The end-to-end tests
# register what each case needs themselves.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

switch=/RegServer
case "${1:-}" in
  "") ;;
  --unregister) switch=/UnregServer ;;
  *) echo "usage: $0 [--unregister]" >&2; exit 2 ;;
esac

standins="$QZ_ROOT/build/win32/bin/standins"
qz_make_prefix
for server in NotesStandin OutlookStandin; do
  if [ ! -f "$standins/$server.exe" ]; then
    echo "register-standins: $standins/$server.exe is missing: build the win32 preset first" >&2
    exit 1
  fi
  # Output to files, never a pipe: Wine's services would keep it open.
  if ! timeout 60 wine "$standins/$server.exe" "$switch" </dev/null >/dev/null 2>&1; then
    echo "register-standins: $server $switch failed" >&2
    exit 1
  fi
done
echo "register-standins: $switch done for NotesStandin and OutlookStandin"

#!/usr/bin/env bash
# The demo: builds the programs if needed (the shipped 32-bit ones where this
# machine runs 32-bit programs, the 64-bit ones otherwise), registers the
# stand-in mail clients in the private Wine prefix, and hands
# samples/order.txt to Zembrik and then to Quorvel, as a batch job would. The stand-ins are test fixtures
# that take the place of Outlook and Lotus Notes, which cannot run here.
#
# With a working display (DISPLAY set and reachable, and CI not set) their
# windows show the two composed messages and stay open. Otherwise everything
# runs in a Wine virtual desktop on Xvfb; a screenshot of each composed
# message goes to build/screenshots/ and the windows are closed again.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)
shots="$root/build/screenshots"
log="$root/build/demo.log"

bash scripts/setup.sh || exit 1
mkdir -p build
: >"$log"

source scripts/wine-env.sh
preset=$(qz_preferred_preset)
bin="$root/build/$preset/bin"
if [ "$preset" = win32 ]; then
  echo "demo: using the 32-bit programs, as shipped"
else
  echo "demo: using the 64-bit programs: $QZ_WINE32_MISSING"
fi

if [ ! -f "build/$preset/build.ninja" ]; then
  echo "demo: configuring the $preset build"
  cmake --preset "$preset" >>"$log" 2>&1 || { tail -n 30 "$log"; exit 1; }
fi
echo "demo: building the programs and the stand-in mail clients"
cmake --build --preset "$preset" -j2 --target Quorvel Zembrik NotesStandin OutlookStandin qz_e2e >>"$log" 2>&1 ||
  { tail -n 30 "$log"; exit 1; }

interactive=
if [ -z "${CI:-}" ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then interactive=1; fi

qz_wine_ready >>"$log" 2>&1 || { echo "demo: Wine is not ready, see $log" >&2; exit 1; }
bash scripts/register-standins.sh "$preset" >>"$log" 2>&1 || { tail -n 5 "$log"; exit 1; }

# The sample's attachment line is a file name beside it: run from samples/.
cd samples

if [ -n "$interactive" ]; then
  for program in Zembrik Quorvel; do
    echo "demo: $program.exe order.txt"
    timeout 60 wine "$bin/$program.exe" order.txt </dev/null >>"$log" 2>&1 ||
      echo "demo: $program ended with status $?, see $log" >&2
  done
  echo "demo: the Outlook stand-in shows Zembrik's message, the Notes stand-in Quorvel's memo."
  echo "demo: close their windows when done; the stand-ins end with them."
  exit 0
fi

# Everything below runs inside one Wine virtual desktop.
desktop=qz,1024x768
in_desktop() {
  local seconds=$1
  shift
  timeout "$seconds" wine explorer /desktop="$desktop" "$@" </dev/null >>"$log" 2>&1
}

status=0
mkdir -p "$shots"
for program in Zembrik Quorvel; do
  echo "demo: $program.exe order.txt (in a virtual desktop on $DISPLAY)"
  # The first command creates the desktop and lasts as long as it does.
  in_desktop 180 "$bin/$program.exe" order.txt &
  handoff=$!
  # A second command started before the desktop exists would create another.
  for attempt in $(seq 100); do
    xwininfo -root -children 2>/dev/null | grep -q '"qz - Wine desktop"' && break
    sleep 0.1
  done
  if ! in_desktop 60 "$bin/qz_e2e.exe" --wait-message-window; then
    echo "demo: no composed message from $program appeared, see $log" >&2
    status=1
  fi
  shot="$shots/$(tr 'A-Z' 'a-z' <<<"$program").png"
  # The window may take a moment to be painted: shoot until two shots a second
  # apart agree (but for the blinking caret) and show more than the desktop.
  previous="$shots/.previous.png"
  rm -f "$previous"
  for attempt in $(seq 20); do
    sleep 1
    import -display "$DISPLAY" -window root "$shot" >>"$log" 2>&1 || continue
    if [ -f "$previous" ] && [ "$(identify -format '%k' "$shot" 2>/dev/null || echo 0)" -gt 40 ]; then
      changed=$(compare -metric AE "$previous" "$shot" null: 2>&1 | cut -d' ' -f1)
      [ "${changed%.*}" -lt 100 ] 2>/dev/null && break
    fi
    cp "$shot" "$previous"
  done
  rm -f "$previous"
  echo "demo: screenshot $shot"
  # The desktop ends with its last window; never a bare wait: Xvfb is a child too.
  in_desktop 60 "$bin/qz_e2e.exe" --close-standins || status=1
  wait "$handoff"
done

# The display, if we started it; the virtual desktop has ended with its windows.
if [ -n "${QZ_XVFB_PID:-}" ]; then
  wineserver -k >/dev/null 2>&1
  kill "$QZ_XVFB_PID" 2>/dev/null
fi
exit $status

#!/usr/bin/env bash
# Builds and runs every benchmark and prints the figures:
#  - the mail file reader natively (Google Benchmark, preset bench): throughput
#    on 1, 10 and 100 MB files against a plain read and decode of the same
#    bytes, the peak memory of reading the 100 MB file, and MailFileCheck's
#    check of the 10 MB file against the reader's time;
#  - the same reader timing and its peak working set under Wine, and the
#    start-up of both programs under Wine against a minimal COM client and
#    empty Win32 programs: on the win32 build where this machine runs 32-bit
#    programs, and on the win64 build always.
# QZ_STARTUP_RUNS sets the runs per start-up figure (default 7). The machine is
# shared: figures vary from run to run, the more so the busier it is.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)

bash scripts/setup.sh || exit 1

log_dir="$root/build/bench-logs"
mkdir -p "$log_dir"
status=0
step() { echo; echo "=== $*"; }
fail() { echo "bench: $1, see $2" >&2; status=1; }

echo "bench: $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"

step "mail file reader, native (Release)"
if cmake --preset bench >"$log_dir/bench-configure.log" 2>&1 &&
  cmake --build --preset bench -j2 >"$log_dir/bench-build.log" 2>&1; then
  if timeout 900 build/bench/bin/mail_file_bench --benchmark_color=false >"$log_dir/native.log" 2>&1; then
    # The summary follows the last table.
    sed -n '/^ *file  *reader MB\/s/,$p' "$log_dir/native.log"
  else
    fail "the native benchmark failed" "$log_dir/native.log"
  fi
else
  fail "the bench preset did not build" "$log_dir/bench-build.log"
fi

source scripts/wine-env.sh
qz_can_run win32 || echo "bench: no 32-bit figures under Wine: $QZ_WINE32_MISSING"
wine_ready=
for preset in $QZ_WINE_ARCHES; do
  step "$preset build of the timing programs"
  if [ ! -f "build/$preset/build.ninja" ]; then
    cmake --preset "$preset" >"$log_dir/$preset-configure.log" 2>&1 ||
      { fail "$preset does not configure" "$log_dir/$preset-configure.log"; continue; }
  fi
  cmake --build --preset "$preset" -j2 --target reader_timing startup_timing >"$log_dir/$preset-build.log" 2>&1 ||
    { fail "the $preset timing programs did not build" "$log_dir/$preset-build.log"; continue; }
  echo "built build/$preset/bin/reader_timing.exe and startup_timing.exe"

  if [ -z "$wine_ready" ]; then
    qz_wine_ready >"$log_dir/wine-ready.log" 2>&1 || { fail "Wine is not ready" "$log_dir/wine-ready.log"; exit 1; }
    trap 'wineserver -k >/dev/null 2>&1; [ -n "${QZ_XVFB_PID:-}" ] && kill "$QZ_XVFB_PID" 2>/dev/null' EXIT
    wine_ready=1
  fi

  # Output to files, never a pipe: Wine's services keep what they inherit.
  # run SECONDS NAME PROGRAM ARGS...: runs one timing program from bin/ and shows its figures.
  run() {
    local seconds=$1 name=$2 log="$log_dir/wine-$preset-$2.log"
    shift 2
    if (cd "build/$preset/bin" && timeout "$seconds" wine "$@" </dev/null >"$log" 2>&1); then
      cat "$log"
    else
      cat "$log"
      fail "$* failed ($preset)" "$log"
    fi
  }
  step "mail file reader under Wine ($preset)"
  run 900 reader reader_timing.exe
  run 300 memory reader_timing.exe --memory
  step "start-up under Wine ($preset)"
  run 900 startup startup_timing.exe "${QZ_STARTUP_RUNS:-7}"
done

echo
echo "Logs: $log_dir"
exit $status

#!/usr/bin/env bash
# Builds and runs every benchmark and prints the figures:
#  - the mail file reader natively (Google Benchmark, preset bench): throughput
#    on 1, 10 and 100 MB files against a plain read and decode of the same
#    bytes, and the peak memory of reading the 100 MB file;
#  - the same reader timing and its peak working set under Wine (win32 build);
#  - the start-up of both programs under Wine against empty Win32 programs.
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

step "win32 build of the timing programs"
if [ ! -f build/win32/build.ninja ]; then
  cmake --preset win32 >"$log_dir/win32-configure.log" 2>&1 || { fail "win32 does not configure" "$log_dir/win32-configure.log"; exit 1; }
fi
cmake --build --preset win32 -j2 --target reader_timing startup_timing >"$log_dir/win32-build.log" 2>&1 ||
  { fail "the timing programs did not build" "$log_dir/win32-build.log"; exit 1; }
echo "built build/win32/bin/reader_timing.exe and startup_timing.exe"

source scripts/wine-env.sh
qz_wine_ready >"$log_dir/wine-ready.log" 2>&1 || { fail "Wine is not ready" "$log_dir/wine-ready.log"; exit 1; }
trap 'wineserver -k >/dev/null 2>&1; [ -n "${QZ_XVFB_PID:-}" ] && kill "$QZ_XVFB_PID" 2>/dev/null' EXIT
cd build/win32/bin

step "mail file reader under Wine (win32)"
# Output to files, never a pipe: Wine's services keep what they inherit.
if timeout 900 wine reader_timing.exe </dev/null >"$log_dir/wine-reader.log" 2>&1; then
  cat "$log_dir/wine-reader.log"
else
  cat "$log_dir/wine-reader.log"
  fail "reader_timing.exe failed" "$log_dir/wine-reader.log"
fi
if timeout 300 wine reader_timing.exe --memory </dev/null >"$log_dir/wine-memory.log" 2>&1; then
  cat "$log_dir/wine-memory.log"
else
  fail "reader_timing.exe --memory failed" "$log_dir/wine-memory.log"
fi

step "start-up under Wine (win32)"
if timeout 900 wine startup_timing.exe "${QZ_STARTUP_RUNS:-7}" </dev/null >"$log_dir/startup.log" 2>&1; then
  cat "$log_dir/startup.log"
else
  cat "$log_dir/startup.log"
  fail "startup_timing.exe failed" "$log_dir/startup.log"
fi

echo
echo "Logs: $log_dir"
exit $status

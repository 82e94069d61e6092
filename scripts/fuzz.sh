#!/usr/bin/env bash
# Fuzzes the mail file reader: builds the libFuzzer target with clang (preset
# fuzz), replays the committed regression and seed corpora, then fuzzes for the
# given number of seconds (default 60). Fails on any crash, leak, timeout or
# sanitizer report; the input that caused it is left in build/fuzz/artifacts/.
# Add such an input to fuzz/corpus/regression/ once the fault is fixed.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/setup.sh

seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]]; then
  echo "usage: scripts/fuzz.sh [seconds]" >&2
  exit 2
fi

mkdir -p build
cmake --preset fuzz >build/fuzz-configure.log 2>&1 || { cat build/fuzz-configure.log; exit 1; }
cmake --build --preset fuzz -j2

fuzzer=build/fuzz/bin/mail_file_fuzzer
found=build/fuzz/corpus
artifacts=build/fuzz/artifacts
log=build/fuzz/fuzz.log
mkdir -p "$found" "$artifacts"
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
common=(-rss_limit_mb=2048 -timeout=10 "-artifact_prefix=$artifacts/")

# Reports hide in the log only when the fuzzer goes on after one; belt and braces.
check_log() {
  if grep -E -q 'runtime error:|ERROR: [A-Za-z]+Sanitizer|ERROR: libFuzzer' "$log"; then
    grep -E -m 5 'runtime error:|ERROR: ' "$log" >&2
    echo "fuzz: sanitizer report in $log" >&2
    exit 1
  fi
}

echo "== replaying $(find fuzz/corpus/regression fuzz/corpus/seed -type f | wc -l) committed inputs"
timeout 300 "$fuzzer" "${common[@]}" fuzz/corpus/regression/* fuzz/corpus/seed/* >"$log" 2>&1 ||
  { tail -n 40 "$log"; echo "fuzz: a committed input fails" >&2; exit 1; }
check_log

echo "== fuzzing for $seconds s"
timeout $((seconds + 300)) "$fuzzer" "${common[@]}" -max_total_time="$seconds" -max_len=8192 \
  -print_final_stats=1 "$found" fuzz/corpus/seed fuzz/corpus/regression >"$log" 2>&1 ||
  { tail -n 40 "$log"; echo "fuzz: failed, see $log and $artifacts/" >&2; exit 1; }
check_log
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" || true
echo "corpus: $(find "$found" -type f | wc -l) inputs in $found"
echo "fuzz: no crash, leak or sanitizer report in $seconds s"

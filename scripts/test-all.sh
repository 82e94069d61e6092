#!/usr/bin/env bash
# Sets up what is missing, builds the three presets and runs every test: the
# native unit tests, the static checks of the shipped programs (and that they
# refuse broken ones), the release ZIPs and their contents, the installer
# packages, the same release built from nothing in another folder, the Wine
# tests of every architecture this machine runs (win64 always, win32 where
# the 32-bit loader starts) and a bounded fuzz run. Ends
# with one line of totals; Wine suites this machine cannot run count as
# skipped.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)

bash scripts/setup.sh || exit 1

source scripts/program-checks.sh
passed=0 failed=0 skipped=0
log_dir="$root/build/test-logs"
mkdir -p "$log_dir"
rm -f "$log_dir/failures.log"

# Adds the counts of a CTest run's JUnit report to the totals. A test CTest
# could not start is a failure, though the report lists it as skipped; one
# that asked to be skipped, or is disabled, is skipped. A run that left no
# report counts as one failure. With a second report, of the failed tests run
# again, a test that failed and then passed counts as passed and is named.
# What each failed test said (its failed cases and the first lines of each
# failure) goes to failures.log, which the run prints last, where a CI page
# that shows only the end of the output has it.
count_ctest() {
  local report=$1 rerun=${2:-} counts
  if ! counts=$(python3 - "$report" "$log_dir/failures.log" "$rerun" 2>&1 <<'PYTHON'
import os, sys, xml.etree.ElementTree as tree
report, failures_log, rerun = sys.argv[1:4]
passed_again = set()
if rerun and os.path.exists(rerun):
    passed_again = {case.get("name") for case in tree.parse(rerun).getroot().iter("testcase")
                    if case.get("status") == "run"}
counts = {"passed": 0, "failed": 0, "skipped": 0}
flaky = []
with open(failures_log, "a", encoding="utf-8") as failures:
    for case in tree.parse(report).getroot().iter("testcase"):
        status, skip, name = case.get("status"), case.find("skipped"), case.get("name")
        asked = status == "notrun" and skip is not None and skip.get("message", "").startswith("SKIP_")
        kind = "passed" if status == "run" else "skipped" if status == "disabled" or asked else "failed"
        if kind == "failed" and name in passed_again:
            kind = "passed"
            flaky.append(name)
        counts[kind] += 1
        if status == "run" or kind == "skipped":
            continue
        again = ", then passed when run again" if kind == "passed" else ""
        failures.write(f"{name} ({os.path.basename(report)}{again}):\n")
        lines = (case.findtext("system-out") or "").splitlines()
        shown_to = 0
        for at, line in enumerate(lines):
            if at >= shown_to and (line.startswith("[  FAILED  ]") or line.endswith(": Failure")):
                shown_to = at + (12 if line.endswith(": Failure") else 1)
                for shown in lines[at:shown_to]:
                    failures.write("  " + shown[:240] + "\n")
print(counts["passed"], counts["failed"], counts["skipped"])
for name in flaky:
    print(f"test-all: {name} failed, then passed when run again: counted as passed; see failures.log")
PYTHON
  ); then
    echo "test-all: no CTest report in $report: ${counts##*$'\n'}" >&2
    failed=$((failed + 1))
    return
  fi
  read -r ran_ok ran_bad ran_skipped <<<"${counts%%$'\n'*}"
  [[ "$counts" == *$'\n'* ]] && echo "${counts#*$'\n'}"
  passed=$((passed + ran_ok))
  failed=$((failed + ran_bad))
  skipped=$((skipped + ran_skipped))
}

step() { echo; echo "=== $*"; }

step "native build and unit tests (ASan, UBSan)"
cmake --preset host >"$log_dir/host-configure.log" 2>&1 &&
  cmake --build --preset host -j2 >"$log_dir/host-build.log" 2>&1 || {
  tail -n 40 "$log_dir"/host-*.log; echo "0 passed, 1 failed"; exit 1; }
rm -f "$log_dir/host-ctest.xml"
ctest --preset host --timeout 120 -j2 --output-junit "$log_dir/host-ctest.xml" >"$log_dir/host-ctest.log" 2>&1
grep -E 'tests passed|Failed|\*\*\*' "$log_dir/host-ctest.log" | tail -n 20
count_ctest "$log_dir/host-ctest.xml"

version=$(sed -n 's/^project([^)]*VERSION \([0-9]*\)\.\([0-9]*\).*/\1 \2/p' CMakeLists.txt | xargs printf '%d.%02d')
for preset in win32 win64; do
  step "$preset build and the programs' static checks"
  cmake --preset "$preset" >"$log_dir/$preset-configure.log" 2>&1 &&
    cmake --build --preset "$preset" -j2 >"$log_dir/$preset-build.log" 2>&1 || {
    tail -n 40 "$log_dir/$preset"-*.log; failed=$((failed + 1)); continue; }
  tools=$([ "$preset" = win32 ] && echo i686-w64-mingw32 || echo x86_64-w64-mingw32)
  for program in Quorvel Zembrik MailFileCheck; do
    if qz_check_program "$tools-objdump" "build/$preset/bin/$program.exe" "$program" "$version"; then
      echo "$preset $program.exe: checked, imports only $(qz_imports "$tools-objdump" "build/$preset/bin/$program.exe" | tr '\n' ' ')"
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
    fi
  done
done

step "release ZIPs and installer packages (stripped programs checked again by the script)"
rm -f build/release/*.zip build/release/*.msi build/release/SHA256SUMS
if bash scripts/package.sh >"$log_dir/package.log" 2>&1; then
  passed=$((passed + 1))
else
  tail -n 20 "$log_dir/package.log"
  failed=$((failed + 1))
fi
for zip_file in build/release/Quorvel-Zembrik-*-win32.zip build/release/Quorvel-Zembrik-*-win64.zip; do
  # README.txt is the user's guide, which the installer packages take from the same folder.
  if qz_check_zip "$zip_file" && grep -q " ${zip_file##*/}\$" build/release/SHA256SUMS &&
    python3 -c 'import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))' \
      "$zip_file" "$(basename "$zip_file" .zip)/README.txt" | cmp -s - <(sed 's/$/\r/' docs/user-guide.md) &&
    (cd build/release && sha256sum --quiet -c SHA256SUMS); then
    passed=$((passed + 1))
  else
    echo "test-all: $zip_file is wrong or not in SHA256SUMS" >&2
    failed=$((failed + 1))
  fi
done
for msi_file in build/release/Quorvel-Zembrik-*-win32.msi build/release/Quorvel-Zembrik-*-win64.msi; do
  if [ -f "$msi_file" ] && grep -q " ${msi_file##*/}\$" build/release/SHA256SUMS; then
    passed=$((passed + 1))
  else
    echo "test-all: $msi_file is missing or not in SHA256SUMS" >&2
    failed=$((failed + 1))
  fi
done
# The same commit gives the same bytes in any folder: a clone of it in another
# folder, built there from nothing, packages the same files. A working tree
# with uncommitted changes is not the commit: then the check is skipped.
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "test-all: skipped the release built in another folder: the working tree has uncommitted changes"
  skipped=$((skipped + 1))
else
  elsewhere=$(mktemp -d)
  clone="$elsewhere/another/checkout"
  if git init -q "$clone" && git -C "$clone" fetch -q "$root" HEAD && git -C "$clone" checkout -q --detach FETCH_HEAD &&
    timeout 1800 bash "$clone/scripts/package.sh" >"$log_dir/package-elsewhere.log" 2>&1 &&
    cmp build/release/SHA256SUMS "$clone/build/release/SHA256SUMS" >>"$log_dir/package-elsewhere.log" 2>&1; then
    echo "test-all: the release built from nothing in $clone has the same SHA256SUMS"
    passed=$((passed + 1))
  else
    tail -n 20 "$log_dir/package-elsewhere.log"
    echo "test-all: the release built in $clone differs or failed, see $log_dir/package-elsewhere.log" >&2
    failed=$((failed + 1))
  fi
  rm -rf "$elsewhere"
fi

# count_checks NAME SECONDS COMMAND...: runs a test that prints one ok: or
# FAIL: line per check and adds them to the totals; one that fails without a
# FAIL: line, or runs out of time, counts as one failure more.
count_checks() {
  local name=$1 seconds=$2 log="$log_dir/$1.log" ok bad start=$SECONDS
  shift 2
  timeout "$seconds" "$@" >"$log" 2>&1
  local status=$?
  ok=$(grep -c '^ok:' "$log") bad=$(grep -c '^FAIL:' "$log")
  [ "$status" -ne 0 ] && [ "$bad" -eq 0 ] && { tail -n 5 "$log"; bad=1; }
  grep '^FAIL:' "$log"
  echo "$name: $ok passed, $bad failed in $((SECONDS - start)) s, see $log"
  passed=$((passed + ok))
  failed=$((failed + bad))
}

step "the winget manifests describe the packages"
count_checks winget 120 python3 tests/scripts/winget_test.py build/release

step "a release signed with a throwaway certificate, and a signed program under Wine"
count_checks signing 1200 bash tests/scripts/signing_test.sh

step "the static checks refuse broken programs and ZIPs"
if bash tests/scripts/program_checks_test.sh i686-w64-mingw32 build/win32/bin/Quorvel.exe Quorvel "$version" \
  build/release/Quorvel-Zembrik-"$version"-win32.zip >"$log_dir/program-checks.log" 2>&1; then
  tail -n 1 "$log_dir/program-checks.log"
  passed=$((passed + 1))
else
  grep -v '^ok:' "$log_dir/program-checks.log"
  failed=$((failed + 1))
fi

step "the Wine environment's choice of architectures and commands"
if bash tests/scripts/wine_env_test.sh >"$log_dir/wine-env-test.log" 2>&1; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi
cat "$log_dir/wine-env-test.log"

source scripts/wine-env.sh
step "Wine tests on $QZ_WINE_ARCHES (stand-in mail clients)"
if ! qz_wine_ready >"$log_dir/wine-ready.log" 2>&1; then
  cat "$log_dir/wine-ready.log"
  echo "test-all: Wine is not ready: no Wine tests ran" >&2
  failed=$((failed + 1))
else
  trap 'wineserver -k >/dev/null 2>&1; [ -n "${QZ_XVFB_PID:-}" ] && kill "$QZ_XVFB_PID" 2>/dev/null' EXIT
  # The win64 suites run wherever Wine runs; only the 32-bit ones may be
  # skipped, for the reason wine-env.sh found on this machine.
  for preset in win64 win32; do
    if [ "$preset" = win32 ] && ! qz_can_run win32; then
      entries=$( (cd "build/$preset" && ctest -N) | sed -n 's/^Total Tests: //p')
      echo "test-all: skipped the ${entries:-?} 32-bit Wine suites: $QZ_WINE32_MISSING; the win64 build ran them"
      skipped=$((skipped + ${entries:-1}))
      continue
    fi
    rm -f "$log_dir/wine-$preset-"{ctest,rerun}.{xml,log}
    (cd "build/$preset" &&
      ctest --timeout 300 --output-junit "$log_dir/wine-$preset-ctest.xml" >"$log_dir/wine-$preset-ctest.log" 2>&1)
    ctest_status=$?
    echo "$preset:"
    grep -E 'tests passed|Failed|\*\*\*|Timeout' "$log_dir/wine-$preset-ctest.log" | tail -n 30
    if [ "$ctest_status" -ne 0 ]; then
      # Wine under Xvfb without a window manager, in a new prefix on a busy
      # machine, now and then loses a step the programs have no part in (a
      # focus change, a window, a process start). The failed suites run once
      # more; a fault of the programs fails again. Both runs are reported.
      (cd "build/$preset" && ctest --rerun-failed --timeout 300 --output-junit "$log_dir/wine-$preset-rerun.xml" \
        >"$log_dir/wine-$preset-rerun.log" 2>&1)
      echo "$preset, the failed suites run again:"
      grep -E 'tests passed|Failed|\*\*\*|Timeout' "$log_dir/wine-$preset-rerun.log" | tail -n 30
    fi
    count_ctest "$log_dir/wine-$preset-ctest.xml" "$log_dir/wine-$preset-rerun.xml"
  done
fi

# Run through bash: a lost execute bit must not skip it.
step "fuzzing the mail file reader"
if bash scripts/fuzz.sh "${QZ_FUZZ_SECONDS:-60}" >"$log_dir/fuzz.log" 2>&1; then
  tail -n 3 "$log_dir/fuzz.log"
  passed=$((passed + 1))
else
  tail -n 40 "$log_dir/fuzz.log"
  failed=$((failed + 1))
fi

echo
if [ -s "$log_dir/failures.log" ]; then
  echo "=== what the failed tests said (all of it in $log_dir/failures.log)"
  head -n 60 "$log_dir/failures.log"
fi
echo "Logs: $log_dir"
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# Sets up what is missing, builds the three presets and runs every test: the
# native unit tests, the import check of the shipped programs, the release
# ZIPs and their contents, the Wine tests and a bounded fuzz run. Ends with one
# line of totals.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)

bash scripts/setup.sh || exit 1

source scripts/imports.sh
passed=0 failed=0
log_dir="$root/build/test-logs"
mkdir -p "$log_dir"

# Adds a CTest run's counts to the totals; prints its summary lines.
count_ctest() {
  local log=$1 line total bad
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    echo "test-all: no CTest summary in $log" >&2
    failed=$((failed + 1))
    return
  fi
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

step() { echo; echo "=== $*"; }

step "native build and unit tests (ASan, UBSan)"
cmake --preset host >"$log_dir/host-configure.log" 2>&1 &&
  cmake --build --preset host -j2 >"$log_dir/host-build.log" 2>&1 || {
  tail -n 40 "$log_dir"/host-*.log; echo "0 passed, 1 failed"; exit 1; }
ctest --preset host --timeout 120 -j2 >"$log_dir/host-ctest.log" 2>&1
grep -E 'tests passed|Failed|\*\*\*' "$log_dir/host-ctest.log" | tail -n 20
count_ctest "$log_dir/host-ctest.log"

for preset in win32 win64; do
  step "$preset build"
  cmake --preset "$preset" >"$log_dir/$preset-configure.log" 2>&1 &&
    cmake --build --preset "$preset" -j2 >"$log_dir/$preset-build.log" 2>&1 || {
    tail -n 40 "$log_dir/$preset"-*.log; failed=$((failed + 1)); continue; }
  # The programs must need nothing beyond the DLLs every Windows has.
  objdump=$([ "$preset" = win32 ] && echo i686-w64-mingw32-objdump || echo x86_64-w64-mingw32-objdump)
  for program in Quorvel Zembrik; do
    imports=$(qz_imports "$objdump" "build/$preset/bin/$program.exe")
    foreign=$(qz_foreign_imports "$imports")
    if [ -n "$foreign" ]; then
      echo "$preset $program.exe imports non-system DLLs: $foreign"
      failed=$((failed + 1))
    else
      echo "$preset $program.exe imports only: $(tr '\n' ' ' <<<"$imports")"
      passed=$((passed + 1))
    fi
  done
done

step "release ZIPs (stripped programs, imports and resources checked by the script)"
rm -f build/release/*.zip
if bash scripts/package.sh >"$log_dir/package.log" 2>&1; then
  passed=$((passed + 1))
else
  tail -n 20 "$log_dir/package.log"
  failed=$((failed + 1))
fi
# Each ZIP holds exactly the programs, the README and the sample, in one folder.
for zip_file in build/release/Quorvel-Zembrik-*-win32.zip build/release/Quorvel-Zembrik-*-win64.zip; do
  if python3 - "$zip_file" <<'EOF'; then
import sys, zipfile, os
path = sys.argv[1]
top = os.path.basename(path)[:-len(".zip")]
expected = {top + "/" + name for name in
            ["", "Quorvel.exe", "Zembrik.exe", "README.txt", "samples/", "samples/order.txt",
             "samples/order-confirmation.pdf"]}
with zipfile.ZipFile(path) as archive:
    if archive.testzip() is not None:
        sys.exit(f"{path}: a damaged entry")
    names = set(archive.namelist())
    if names != expected:
        sys.exit(f"{path}: missing {sorted(expected - names)}, unexpected {sorted(names - expected)}")
    for program in ("Quorvel.exe", "Zembrik.exe"):
        if not archive.read(top + "/" + program).startswith(b"MZ"):
            sys.exit(f"{path}: {program} is no Windows program")
    readme = archive.read(top + "/README.txt")
    if b"\r\n" not in readme or b"\n" in readme.replace(b"\r\n", b""):
        sys.exit(f"{path}: README.txt does not end every line in CR LF")
print(f"{path}: {len(names)} entries as expected")
EOF
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
done

step "Wine tests (32-bit programs, stand-in mail clients)"
source scripts/wine-env.sh
qz_wine_ready >"$log_dir/wine-ready.log" 2>&1 || { cat "$log_dir/wine-ready.log"; failed=$((failed + 1)); }
trap 'wineserver -k >/dev/null 2>&1; [ -n "${QZ_XVFB_PID:-}" ] && kill "$QZ_XVFB_PID" 2>/dev/null' EXIT
(cd build/win32 && ctest --timeout 300 >"$log_dir/wine-ctest.log" 2>&1)
grep -E 'tests passed|Failed|\*\*\*|Timeout' "$log_dir/wine-ctest.log" | tail -n 30
count_ctest "$log_dir/wine-ctest.log"

if [ -x scripts/fuzz.sh ]; then
  step "fuzzing the mail file reader"
  if bash scripts/fuzz.sh "${QZ_FUZZ_SECONDS:-60}" >"$log_dir/fuzz.log" 2>&1; then
    tail -n 3 "$log_dir/fuzz.log"
    passed=$((passed + 1))
  else
    tail -n 40 "$log_dir/fuzz.log"
    failed=$((failed + 1))
  fi
fi

echo
echo "Logs: $log_dir"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

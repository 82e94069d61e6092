#!/usr/bin/env bash
# The static checks of the shipped programs must fail when a property is wrong:
# on a machine that cannot run 32-bit programs they are all that guards them.
# Usage: program_checks_test.sh TOOLS_PREFIX EXE PROGRAM VERSION ZIP
# EXE is a good 32-bit program, ZIP a good release ZIP. Each broken copy made
# here has one property wrong and must be refused for that reason alone; the
# good ones must pass.
set -u
tools=$1 exe=$2 program=$3 version=$4 zip_file=$5
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/program-checks.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# patch_pe IN OUT EXPRESSION: OUT is IN with the PE bytes changed by a Python
# statement on `data` (a bytearray); `pe` is the offset of the PE signature;
# retype(old, new) gives the resources of type `old` the type `new`.
patch_pe() {
  python3 - "$1" "$2" "$3" <<'PYTHON'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
pe = struct.unpack_from("<I", data, 0x3C)[0]
def retype(old, new):
    sections = pe + 24 + struct.unpack_from("<H", data, pe + 20)[0]
    for header in range(sections, sections + 40 * struct.unpack_from("<H", data, pe + 6)[0], 40):
        if data[header:header + 8].rstrip(b"\0") == b".rsrc":
            root = struct.unpack_from("<I", data, header + 20)[0]
            for entry in range(root + 16, root + 16 + 8 * sum(struct.unpack_from("<HH", data, root + 12)), 8):
                if struct.unpack_from("<I", data, entry)[0] == old:
                    return struct.pack_into("<I", data, entry, new)
    sys.exit(f"no resource of type {old}")
exec(sys.argv[3])
open(sys.argv[2], "wb").write(data)
PYTHON
}

# expect pass WHAT COMMAND..., expect REASON WHAT COMMAND...: the check
# passes, or fails with one line of output that names REASON.
expect() {
  local want=$1 what=$2 output refused=false
  shift 2
  output=$("$@" 2>&1) || refused=true
  if { [ "$want" = pass ] && ! $refused; } ||
    { [ "$want" != pass ] && $refused && [[ $output != *$'\n'* && $output == *"$want"* ]]; }; then
    echo "ok: $what (${output%%$'\n'*})"
  else
    echo "WRONG: $what: expected ${want}, the check $($refused && echo refused || echo passed): $output"
    failures=$((failures + 1))
  fi
}

check() { qz_check_program "$tools-objdump" "$1" "$program" "$version"; }

expect pass "the program as built" check "$exe"
patch_pe "$exe" "$work/foreign.exe" 'data[:] = data.replace(b"USER32.dll", b"USERQZ.dll").replace(b"user32.dll", b"userqz.dll")'
expect "imports DLLs that Windows does not bring: userqz.dll" "a DLL that Windows does not bring" \
  check "$work/foreign.exe"
# The subsystem is a word 68 bytes into the optional header, which follows the 24-byte file header.
patch_pe "$exe" "$work/console.exe" 'struct.pack_into("<H", data, pe + 24 + 68, 3)'
expect "is no Windows GUI program" "a console program" check "$work/console.exe"
# MailFileCheck, built beside it, is the one console program.
console_exe="$(dirname "$exe")/MailFileCheck.exe"
expect pass "MailFileCheck as built" qz_check_program "$tools-objdump" "$console_exe" MailFileCheck "$version"
patch_pe "$console_exe" "$work/gui-check.exe" 'struct.pack_into("<H", data, pe + 24 + 68, 2)'
expect "is no console program" "MailFileCheck as a GUI program" \
  qz_check_program "$tools-objdump" "$work/gui-check.exe" MailFileCheck "$version"
# Characteristics: the last word of the file header; 0x20 is large-address-aware.
patch_pe "$exe" "$work/small.exe" 'data[pe + 22] &= ~0x20'
expect "is not large-address-aware" "a 32-bit program limited to 2 GB" check "$work/small.exe"
# Resource types: 14 icon group, 16 version, 24 manifest; 0x7FFF is none.
for resource in 14:icon-group 16:version 24:manifest; do
  patch_pe "$exe" "$work/no-${resource#*:}.exe" "retype(${resource%%:*}, 0x7FFF)"
  expect "has no ${resource#*:} resource" "no ${resource#*:} resource" check "$work/no-${resource#*:}.exe"
done
expect 'has no "9.99" in its version resource' "another version in the resource" \
  qz_check_program "$tools-objdump" "$exe" "$program" 9.99

expect pass "the release ZIP as built" qz_check_zip "$zip_file"
# rezip NAME PYTHON: a copy of the ZIP named NAME whose entries pass through a
# Python expression on `entries` (a list of (ZipInfo, bytes)) first.
rezip() {
  python3 - "$zip_file" "$work/$1" "$2" <<'PYTHON'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as source:
    entries = [(info, source.read(info)) for info in source.infolist()]
exec(sys.argv[3])
with zipfile.ZipFile(sys.argv[2], "w") as target:
    for info, data in entries:
        target.writestr(info, data)
PYTHON
  echo "$work/$1"
}
name=$(basename "$zip_file")
top=${name%.zip}
expect pass "the same entries written again" qz_check_zip "$(mkdir -p "$work/same" && rezip "same/$name" 'pass')"
expect "missing ['$top/samples/order.txt'], unexpected []" "a missing sample" qz_check_zip "$(mkdir -p "$work/missing" && rezip "missing/$name" \
  'entries = [e for e in entries if not e[0].filename.endswith("order.txt")]')"
expect "missing [], unexpected ['$top/debug.log']" "an extra file" qz_check_zip "$(mkdir -p "$work/extra" && rezip "extra/$name" \
  'entries.append((zipfile.ZipInfo(entries[0][0].filename + "debug.log", entries[0][0].date_time), b"x"))')"
expect "README.txt does not end every line in CR LF" "a README with LF line ends" qz_check_zip "$(mkdir -p "$work/lf" && rezip "lf/$name" \
  'entries = [(i, d.replace(b"\r\n", b"\n") if i.filename.endswith("README.txt") else d) for i, d in entries]')"
expect "Test.txt attaches b'order-confirmation.pdf', which is not beside the programs" "a Test.txt attaching from samples/" \
  qz_check_zip "$(mkdir -p "$work/attach" && rezip "attach/$name" \
  'entries = [(i, d.replace(b"samples\\", b"") if i.filename.endswith("Test.txt") else d) for i, d in entries]')"
expect "entries not in name order" "entries out of order" qz_check_zip \
  "$(mkdir -p "$work/order" && rezip "order/$name" 'entries.reverse()')"
expect "entries of different times" "an entry of another time" qz_check_zip "$(mkdir -p "$work/time" && rezip "time/$name" \
  'entries[-1][0].date_time = (2001, 2, 3, 4, 5, 6)')"
expect "Quorvel.exe is no Windows program" "a program without its MZ header" qz_check_zip "$(mkdir -p "$work/mz" &&
  rezip "mz/$name" 'entries = [(i, b"ZM" + d[2:] if i.filename.endswith("Quorvel.exe") else d) for i, d in entries]')"

[ "$failures" -eq 0 ] && echo "program checks: every broken copy refused" || echo "program checks: $failures wrong" >&2
[ "$failures" -eq 0 ]

# Sourced by the scripts that check the programs as shipped, without running
# them: on a machine that cannot run 32-bit programs these checks are all that
# guards the shipped 32-bit build.
# shellcheck shell=bash

# The DLLs every Windows has; the programs may import nothing else.
QZ_SYSTEM_DLLS='kernel32.dll|user32.dll|gdi32.dll|ole32.dll|oleaut32.dll|advapi32.dll|shell32.dll|comctl32.dll|msvcrt.dll|version.dll|api-ms-win-.*'

# Resource types every program carries: icon group, version, manifest.
QZ_RESOURCE_TYPES='0x00000e:icon-group 0x000010:version 0x000018:manifest'

# qz_imports OBJDUMP EXE: the DLLs EXE imports, lower case, one per line.
qz_imports() { "$1" -p "$2" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u; }

# qz_check_program OBJDUMP EXE PROGRAM VERSION: prints one line per property
# of EXE that is wrong and fails if there is any. PROGRAM is the program's
# name, VERSION the version its resource must carry ("1.00").
qz_check_program() {
  local objdump=$1 exe=$2 program=$3 version=$4
  local headers imports foreign types entry strings_found expected subsystem kind found
  local problems=()
  headers=$("$objdump" -p "$exe" 2>&1) || { echo "$exe: no Windows program ($headers)"; return 1; }

  imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u)
  foreign=$(grep -v -x -E "$QZ_SYSTEM_DLLS" <<<"$imports" | tr '\n' ' ')
  [ -z "$foreign" ] || problems+=("imports DLLs that Windows does not bring: $foreign")
  [ -n "$imports" ] || problems+=("imports nothing at all")

  # MailFileCheck is a console program, so that cmd and PowerShell wait for it and show its output.
  case $program in
    MailFileCheck) subsystem='Subsystem 00000003 (Windows CUI)' kind=console ;;
    *) subsystem='Subsystem 00000002 (Windows GUI)' kind='Windows GUI' ;;
  esac
  found=$(grep -m 1 '^Subsystem' <<<"$headers" | tr -s '\t ' ' ')
  [ "$found" = "$subsystem" ] || problems+=("is no $kind program: $found")

  # A 32-bit program must be allowed the 4 GB a 64-bit Windows gives it.
  if grep -q 'file format pei-i386' <<<"$headers" && ! grep -q -P '^\tlarge address aware$' <<<"$headers"; then
    problems+=("is not large-address-aware")
  fi

  types=$(sed -n '/^The .rsrc Resource Directory section:/,$p' <<<"$headers" |
    sed -n -E 's/^[0-9a-f]{3}   Entry: ID: (0x[0-9a-f]+),.*/\1/p')
  for entry in $QZ_RESOURCE_TYPES; do
    grep -q -x "${entry%%:*}" <<<"$types" || problems+=("has no ${entry#*:} resource")
  done
  strings_found=$(strings -e l "$exe")
  for expected in VS_VERSION_INFO FileVersion ProductVersion "$version" "$program" "$program.exe" 040704B0; do
    grep -q -x -F "$expected" <<<"$strings_found" || problems+=("has no \"$expected\" in its version resource")
  done

  [ "${#problems[@]}" -eq 0 ] && return 0
  printf "$exe %s\n" "${problems[@]}"
  return 1
}

# qz_check_zip ZIP: fails, saying why, unless the release ZIP holds exactly the
# three programs, README.txt and Test.txt with CR LF line ends, Test.txt's
# attachment named from their folder, and the sample, in one folder named as
# the ZIP, entries in name order, all of one time stamp.
qz_check_zip() {
  python3 - "$1" <<'PYTHON'
import os, sys, zipfile
path = sys.argv[1]
top = os.path.basename(path)[:-len(".zip")]
expected = [top + "/" + name for name in
            ["", "MailFileCheck.exe", "Quorvel.exe", "README.txt", "Test.txt", "Zembrik.exe", "samples/",
             "samples/order-confirmation.pdf",
             "samples/order.txt"]]
try:
    archive = zipfile.ZipFile(path)
except (OSError, zipfile.BadZipFile) as error:
    sys.exit(f"{path}: {error}")
with archive:
    if archive.testzip() is not None:
        sys.exit(f"{path}: a damaged entry")
    names = archive.namelist()
    if sorted(names) != expected:
        sys.exit(f"{path}: missing {sorted(set(expected) - set(names))}, unexpected {sorted(set(names) - set(expected))}")
    if names != expected:
        sys.exit(f"{path}: entries not in name order: {names}")
    if len({info.date_time for info in archive.infolist()}) != 1:
        sys.exit(f"{path}: entries of different times")
    for program in ("MailFileCheck.exe", "Quorvel.exe", "Zembrik.exe"):
        if not archive.read(top + "/" + program).startswith(b"MZ"):
            sys.exit(f"{path}: {program} is no Windows program")
    for text_file in ("README.txt", "Test.txt"):
        text = archive.read(top + "/" + text_file)
        if b"\r\n" not in text or b"\n" in text.replace(b"\r\n", b""):
            sys.exit(f"{path}: {text_file} does not end every line in CR LF")
    # The window offers Test.txt beside the programs: its attachment must be there too.
    lines = archive.read(top + "/Test.txt").split(b"\r\n")
    attachment = lines[lines.index(b"[ATTACHMENT]") + 1] if b"[ATTACHMENT]" in lines else b""
    if top + "/" + attachment.decode("cp1252").replace("\\", "/") not in names:
        sys.exit(f"{path}: Test.txt attaches {attachment!r}, which is not beside the programs")
print(f"{path}: {len(names)} entries as expected")
PYTHON
}

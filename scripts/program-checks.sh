# Sourced by the scripts that check what the shipped programs import.
# shellcheck shell=bash

# The DLLs every Windows has; the programs may import nothing else.
QZ_SYSTEM_DLLS='kernel32.dll|user32.dll|gdi32.dll|ole32.dll|oleaut32.dll|advapi32.dll|shell32.dll|comctl32.dll|msvcrt.dll|version.dll|api-ms-win-.*'

# qz_imports OBJDUMP EXE: the DLLs EXE imports, lower case, one per line.
qz_imports() { "$1" -p "$2" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u; }

# qz_foreign_imports IMPORTS: those of IMPORTS (one per line) that are not system DLLs.
qz_foreign_imports() { grep -v -x -E "$QZ_SYSTEM_DLLS" <<<"$1"; }

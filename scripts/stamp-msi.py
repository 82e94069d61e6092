#!/usr/bin/env python3
"""Makes a package that wixl wrote reproducible: stamp-msi.py MSI SECONDS.

wixl puts the time of the build and a random package code into the package's
summary information. In their place go SECONDS (since 1970, UTC) as creation
and last-save time, and a package code made from the package's own bytes: the
same files give the same package, other files another package code."""
import hashlib
import re
import struct
import sys
import uuid

path, seconds = sys.argv[1], int(sys.argv[2])
with open(path, "rb") as package:
    data = package.read()

# The revision number, a string that holds the package code, followed by the
# creation and the last-save time, two FILETIMEs, as wixl writes them.
summary = re.compile(rb"(\x1e\0\0\0\x27\0\0\0)\{[0-9A-F-]{36}\}(\0\0\x40\0\0\0).{8}(\x40\0\0\0).{8}", re.DOTALL)
if len(summary.findall(data)) != 1:
    sys.exit(f"stamp-msi: {path}: no summary information of the form wixl writes")
filetime = struct.pack("<Q", (seconds + 11644473600) * 10_000_000)


def stamped(code):
    return summary.sub(lambda found: found[1] + b"{" + code + b"}" + found[2] + filetime + found[3] + filetime, data)


code = uuid.UUID(bytes=hashlib.sha256(stamped(b"0" * 36)).digest()[:16], version=5)
with open(path, "wb") as package:
    package.write(stamped(str(code).upper().encode()))

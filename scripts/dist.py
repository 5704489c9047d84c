#!/usr/bin/env python3
"""Packs the Windows program as OrvaneVarnolt-<version>-win64.zip, byte for byte reproducible.

The zip holds one folder with the program, README.txt and LICENSE.txt (CRLF, for Notepad) and
SHA256SUMS. Entries are written in a fixed order with a fixed time and fixed attributes, so the
same program always gives the same archive.

Usage: dist.py PROGRAM VERSION_HEADER OUTPUT_FOLDER
"""
import hashlib
import os
import re
import sys
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The release's own date, not the clock.
FIXED_TIME = (2026, 1, 1, 0, 0, 0)


def read_version(header):
    with open(header, encoding="ascii") as f:
        found = re.search(r'#define ORVANE_VERSION_TEXT "([^"]+)"', f.read())
    if not found:
        sys.exit(f"no ORVANE_VERSION_TEXT in {header}")
    return found.group(1)


def crlf_text(path, version):
    with open(path, encoding="utf-8") as f:
        text = f.read().replace("@VERSION@", version)
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def entry(name):
    info = zipfile.ZipInfo(name, date_time=FIXED_TIME)
    info.create_system = 0  # MS-DOS: no Unix owner or mode bits from this machine
    info.external_attr = 0
    info.compress_type = zipfile.ZIP_DEFLATED
    return info


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    program, header, out_folder = sys.argv[1:]
    version = read_version(header)
    with open(program, "rb") as f:
        files = [("OrvaneVarnolt.exe", f.read())]
    files.append(("README.txt", crlf_text(os.path.join(ROOT, "packaging/windows/README.txt"),
                                          version)))
    files.append(("LICENSE.txt", crlf_text(os.path.join(ROOT, "LICENSE"), version)))
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in files)
    files.append(("SHA256SUMS", sums.encode("ascii")))

    folder = f"OrvaneVarnolt-{version}"
    os.makedirs(out_folder, exist_ok=True)
    target = os.path.join(out_folder, f"{folder}-win64.zip")
    # Written beside the target and renamed, so a failed run leaves no half-written zip.
    temporary = target + ".partial"
    try:
        with zipfile.ZipFile(temporary, "w") as archive:
            for name, data in files:
                archive.writestr(entry(f"{folder}/{name}"), data, compresslevel=9)
        os.replace(temporary, target)
    finally:
        if os.path.exists(temporary):
            os.remove(temporary)
    print(target)


if __name__ == "__main__":
    main()

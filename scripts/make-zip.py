#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes a zip whose bytes depend only on the files' names and contents.

Usage: make-zip.py OUT.zip BASE TOP EPOCH
Stores the folder BASE/TOP as TOP/ and every file under it, sorted by name,
each with the time EPOCH (the commit's, in UTC), mode 0644 (0755 for an .exe)
and no extra fields, so that two builds of one commit give the same zip.
"""

import os
import sys
import time
import zipfile


def entry(name, epoch, mode):
    info = zipfile.ZipInfo(name, time.gmtime(epoch)[:6])
    info.create_system = 3  # Unix, so that the mode below is read
    info.external_attr = mode << 16
    if name.endswith("/"):
        info.external_attr |= 0x10  # the MS-DOS folder bit
    else:
        info.compress_type = zipfile.ZIP_DEFLATED
    return info


def main():
    out, base, top, epoch = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    names = []
    for folder, _, files in os.walk(os.path.join(base, top)):
        relative = os.path.relpath(folder, base).replace(os.sep, "/")
        names.append(relative + "/")
        names.extend(relative + "/" + f for f in files)
    with zipfile.ZipFile(out, "w") as archive:
        for name in sorted(names):
            if name.endswith("/"):
                archive.writestr(entry(name, epoch, 0o40755), b"")
                continue
            mode = 0o100755 if name.lower().endswith(".exe") else 0o100644
            with open(os.path.join(base, name), "rb") as f:
                archive.writestr(entry(name, epoch, mode), f.read(), compresslevel=9)


if __name__ == "__main__":
    main()

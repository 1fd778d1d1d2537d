#!/usr/bin/python3
"""What the release zip must hold (tools/release.sh):

    /usr/bin/python3 tests/release/check_zip.py ZIP COMMIT BUILD_ROOT

velmora.exe, 使用说明.txt and SHA256SUMS, in that order, with the sums right; the program a
32-bit PE with no link time stamp, no path under BUILD_ROOT in it, and the version of the zip's
name (which names COMMIT) in its version resource; the guide UTF-8 with a byte order mark and
CRLF line ends only. Exits 1 naming what is wrong.
"""

import hashlib
import re
import struct
import sys
import zipfile
from pathlib import Path


def main(argv):
    zip_path, commit, build_root = Path(argv[0]), argv[1], argv[2]
    faults = []

    def expect(condition, what):
        if not condition:
            faults.append(what)

    version = re.fullmatch(r"velmora-(.+)-win32\.zip", zip_path.name).group(1)
    expect(commit in version, f"the version {version} does not name the commit {commit}")
    with zipfile.ZipFile(zip_path) as archive:
        names = archive.namelist()
        expect(names == ["velmora.exe", "使用说明.txt", "SHA256SUMS"], f"entries {names}")
        files = {name: archive.read(name) for name in names}
    exe, guide = files.get("velmora.exe", b""), files.get("使用说明.txt", b"")
    sums = dict(reversed(line.split("  ", 1)) for line in files.get("SHA256SUMS", b"").decode().splitlines())
    for name in ("velmora.exe", "使用说明.txt"):
        expect(sums.get(name) == hashlib.sha256(files.get(name, b"")).hexdigest(), f"SHA256SUMS for {name}")

    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    machine, _, stamp = struct.unpack_from("<HHI", exe, pe + 4)
    expect(exe[pe:pe + 4] == b"PE\0\0" and machine == 0x14C, "velmora.exe is not a 32-bit x86 PE")
    expect(stamp == 0, f"velmora.exe has a link time stamp {stamp:#x}")
    for encoding in ("ascii", "utf-16-le"):
        expect(build_root.encode(encoding) not in exe, f"velmora.exe holds the build's path ({encoding})")
    expect(f"\0{version}\0".encode("utf-16-le") in exe, f"velmora.exe's version resource lacks {version}")

    expect(guide.startswith(b"\xef\xbb\xbf"), "the guide has no byte order mark")
    expect(b"\n" not in guide.replace(b"\r\n", b""), "the guide has line ends other than CRLF")
    text = guide.decode("utf-8-sig")
    expect("保存为图片" in text and "![" not in text and "**" not in text, "the guide is not the README's, as text")
    for fault in faults:
        print(f"release: {fault}", file=sys.stderr)
    if not faults:
        print(f"release: {zip_path.name}: {', '.join(names)}; velmora.exe is a PE32 of {len(exe)} bytes, "
              f"version {version}, no time stamp, no build path; the guide UTF-8 with BOM and CRLF")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

#!/usr/bin/python3
"""Packs the release zip (tools/release.sh):

    /usr/bin/python3 tools/pack_release.py ZIP VELMORA_EXE VERSION COMMIT_TIME

ZIP holds velmora.exe, 使用说明.txt (the README's section "使用说明" as plain text, UTF-8 with
a byte order mark and CRLF line ends, so Notepad shows it) and SHA256SUMS for both, in that
order, every entry dated COMMIT_TIME (seconds since 1970, UTC) with the same permissions: the
same inputs give the same bytes.
"""

import hashlib
import re
import sys
import time
import zipfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
GUIDE_TITLE = "使用说明"


def guide(version):
    """The README's Chinese guide, without Markdown: pictures dropped, emphasis and code marks
    removed, each list item on one line."""
    readme = (REPO / "README.md").read_text(encoding="utf-8")
    section = re.search(rf"^## {GUIDE_TITLE}\n(.*?)(?=^## )", readme, re.M | re.S)
    if not section:
        raise SystemExit(f"pack_release: README.md has no section '{GUIDE_TITLE}'")
    lines = []
    for line in section.group(1).strip().splitlines():
        if line.startswith("!["):
            continue
        line = re.sub(r"\*\*(.+?)\*\*", r"\1", line).replace("`", "")
        if line.startswith("  ") and lines and lines[-1].startswith("- "):
            # A list item's continuation: Chinese runs on without a space, Latin text does not.
            rest = line.strip()
            lines[-1] += (" " if lines[-1][-1].isascii() or rest[0].isascii() else "") + rest
        else:
            lines.append(line)
    while lines and not lines[-1]:
        lines.pop()
    text = "\n".join([f"Velmora {version} {GUIDE_TITLE}", "", *lines, ""])
    text = re.sub(r"\n{3,}", "\n\n", text)
    return "\ufeff" + text.replace("\n", "\r\n")


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    target, exe, version, commit_time = Path(argv[0]), Path(argv[1]), argv[2], int(argv[3])
    entries = [("velmora.exe", exe.read_bytes()), (f"{GUIDE_TITLE}.txt", guide(version).encode("utf-8"))]
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in entries)
    entries.append(("SHA256SUMS", sums.encode("utf-8")))
    date = time.gmtime(max(commit_time, 315532800))[:6]  # zip dates start in 1980
    partial = target.with_name(target.name + ".partial")
    with zipfile.ZipFile(partial, "w") as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=date)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o100644 << 16
            info.create_system = 3  # Unix, whatever machine packs it
            archive.writestr(info, data, compresslevel=9)
    partial.replace(target)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

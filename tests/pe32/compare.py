#!/usr/bin/python3
"""The 32-bit program's pictures against the 64-bit stand-in's, from the same source:

    /usr/bin/python3 tests/pe32/compare.py PE32_OUT STAND_IN_OUT

Both folders are written by tests/pe32/card_outputs.py. Every picture the command line wrote
must decode (with Pillow, not our code) to the same size and the same pixels, and the BMP the
real start saved must be the same file byte for byte. Exits 1 naming each difference, with
how many pixels differ, by how much, and where.
"""

import sys
from pathlib import Path

from PIL import Image, ImageChops

sys.path.insert(0, str(Path(__file__).resolve().parent))
from card_outputs import COMMAND_LINE  # noqa: E402


def pixel_difference(one, other):
    """None when the two pictures decode to the same pixels; else what differs, in words."""
    with Image.open(one) as a, Image.open(other) as b:
        if a.size != b.size:
            return f"sizes {a.size} and {b.size}"
        a, b = a.convert("RGB"), b.convert("RGB")
    diff = ImageChops.difference(a, b)
    box = diff.getbbox()
    if box is None:
        return None
    count = sum(1 for p in diff.getdata() if p != (0, 0, 0))
    largest = max(high for _, high in diff.getextrema())
    return f"{count} pixels differ (by up to {largest} levels in a channel) within {box}"


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    pe32, stand_in = map(Path, argv)
    faults = []
    for name in COMMAND_LINE:
        ours, theirs = pe32 / "command-line" / name, stand_in / "command-line" / name
        missing = [str(p) for p in (ours, theirs) if not p.exists()]
        difference = f"missing {', '.join(missing)}" if missing else pixel_difference(ours, theirs)
        print(f"compare: {name}: {difference or 'same pixels'}")
        if difference:
            faults.append(name)
    ours, theirs = pe32 / "saved.bmp", stand_in / "saved.bmp"
    if not (ours.exists() and theirs.exists()):
        verdict = "missing"
    else:
        verdict = "same bytes" if ours.read_bytes() == theirs.read_bytes() else \
            f"bytes differ ({pixel_difference(ours, theirs) or 'same pixels'})"
    print(f"compare: the saved BMP: {verdict}")
    if verdict != "same bytes":
        faults.append("saved.bmp")
    if faults:
        print(f"compare: the 32-bit build's pictures differ from the stand-in's: {', '.join(faults)}",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

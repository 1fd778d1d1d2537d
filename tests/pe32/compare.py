#!/usr/bin/python3
"""The 32-bit program's pictures against the 64-bit stand-in's, from the same source:

    /usr/bin/python3 tests/pe32/compare.py PE32_OUT STAND_IN_OUT

Both folders are written by tests/pe32/card_outputs.py. Every picture the command line wrote
must decode (with Pillow, not our code) to the same size and the same pixels, and the BMP the
real start saved must be the same file byte for byte.

One difference is allowed, and only where it is shown to be Wine's: when Wine's 32- and 64-bit
font rasterisers give the digits' glyphs different bytes (glyphs.json, from GetGlyphOutline
in each), pixels may differ inside the digit slots, and nowhere else (for JPEG, inside the
16-pixel blocks that hold a slot's edge). Exits 1 naming each other difference, with how many
pixels differ, by how much, and where.
"""

import json
import subprocess
import sys
import tempfile
from pathlib import Path

from PIL import Image, ImageChops

sys.path.insert(0, str(Path(__file__).resolve().parent))
from card_outputs import COMMAND_LINE  # noqa: E402

REPO = Path(__file__).resolve().parents[2]
LAYOUT = json.loads((REPO / "assets" / "card_layout.json").read_text())


def slots(scale, block=1):
    """The digit slots of the card drawn at SCALE, as the program places them, widened to
    whole BLOCKs."""
    s = LAYOUT["slots"]

    def px(twips):
        return int(twips * scale / 15 + 0.5)

    def out(v, up):
        return -(-v // block) * block if up else v // block * block

    return [(out(px(left), False), out(px(s["top_twips"]), False),
             out(px(left + s["width_twips"]), True), out(px(s["top_twips"] + s["height_twips"]), True))
            for left in s["lefts_twips"]]


def pdf_faults(pdf):
    """What qpdf finds wrong with a PDF, or None."""
    r = subprocess.run(["qpdf", "--check", str(pdf)], capture_output=True, text=True, timeout=60)
    return None if r.returncode == 0 else (r.stdout + r.stderr).strip()


def rendered(pdf, folder):
    """The PDF's page at 300 dpi, as pdftoppm draws it (the card's page: its 3597 x 1644 pixels)."""
    base = Path(folder) / pdf.parent.parent.name
    subprocess.run(["pdftoppm", "-r", "300", "-singlefile", "-png", str(pdf), str(base)], check=True,
                   capture_output=True, timeout=60)
    return base.with_suffix(".png")


def differing_pixels(one, other):
    """(size, [(x, y, largest channel difference)]) of two pictures as decoded by Pillow, or
    a text saying why they cannot be compared."""
    with Image.open(one) as a, Image.open(other) as b:
        if a.size != b.size:
            return f"sizes {a.size} and {b.size}"
        diff = ImageChops.difference(a.convert("RGB"), b.convert("RGB"))
    width = diff.size[0]
    return diff.size, [(i % width, i // width, max(p)) for i, p in enumerate(diff.getdata()) if p != (0, 0, 0)]


def verdict(name, one, other, allowed):
    """What differs that is not allowed, in words, or None; and a line for the log."""
    found = differing_pixels(one, other)
    if isinstance(found, str):
        return found, f"{name}: {found}"
    size, pixels = found
    if not pixels:
        return None, f"{name}: same pixels"
    scale = size[0] / 1199
    regions = slots(scale, 16 if name.endswith(".jpg") else 1) if allowed else []
    outside = [(x, y, d) for x, y, d in pixels if not any(l <= x < r and t <= y < b for l, t, r, b in regions)]
    xs, ys = [p[0] for p in pixels], [p[1] for p in pixels]
    summary = (f"{len(pixels)} pixels differ, by up to {max(p[2] for p in pixels)} levels in a channel, "
               f"within ({min(xs)}, {min(ys)})-({max(xs)}, {max(ys)})")
    if outside:
        return f"{len(outside)} pixels outside the digit slots", f"{name}: {summary}; {len(outside)} outside the digit slots, e.g. {outside[:5]}"
    return None, f"{name}: {summary}, all inside the digit slots (Wine's rasteriser)"


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    pe32, stand_in = map(Path, argv)
    glyphs = [json.loads((folder / "glyphs.json").read_text()) for folder in (pe32, stand_in)]
    wine_differs = glyphs[0] != glyphs[1]
    print("compare: Wine's 32- and 64-bit font rasterisers give the digits "
          + ("different glyphs: pixels inside the digit slots may differ" if wine_differs else "the same glyphs"))
    if wine_differs:
        for height in glyphs[0]:
            changed = [a["char"] for a, b in zip(glyphs[0][height], glyphs[1][height]) if a != b]
            print(f"compare:   at height {height}: {' '.join(changed) or 'none'}")
    faults = []
    scratch = tempfile.TemporaryDirectory()
    for name in COMMAND_LINE:
        ours, theirs = pe32 / "command-line" / name, stand_in / "command-line" / name
        missing = [str(p) for p in (ours, theirs) if not p.exists()]
        broken = None if missing or not name.endswith(".pdf") else pdf_faults(ours) or pdf_faults(theirs)
        if missing:
            fault, line = f"missing {', '.join(missing)}", f"{name}: missing"
        elif broken:
            fault, line = "qpdf finds faults", f"{name}: qpdf --check: {broken}"
        elif name.endswith(".pdf"):
            fault, line = verdict(name, rendered(ours, scratch.name), rendered(theirs, scratch.name), wine_differs)
        else:
            fault, line = verdict(name, ours, theirs, wine_differs)
        print(f"compare: {line}")
        if fault:
            faults.append(name)
    ours, theirs = pe32 / "saved.bmp", stand_in / "saved.bmp"
    if not (ours.exists() and theirs.exists()):
        print("compare: the saved BMP: missing")
        faults.append("saved.bmp")
    elif ours.read_bytes() == theirs.read_bytes():
        print("compare: the saved BMP: same bytes")
    else:
        fault, line = verdict("the saved BMP", ours, theirs, wine_differs)
        print(f"compare: {line}")
        if fault:
            faults.append("saved.bmp")
    if faults:
        print(f"compare: the 32-bit build's pictures differ from the stand-in's: {', '.join(faults)}",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

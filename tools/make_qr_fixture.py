#!/usr/bin/python3
"""Write tests/unit/qr_reference.inc: QR symbols from an independent encoder, for the unit
tests of card/qr_code.cpp to compare against module by module.

Run once, from anywhere, after `apt-get install -y python3-segno`:

    /usr/bin/python3 tools/make_qr_fixture.py

The tests include the file as it is, so building them needs neither Python nor segno.
Each case gives the input bytes, the level, what was pinned (0 / -1: left to the encoder),
the version and mask the reference came out with, and the matrix rows, '#' for dark.

Every input fills its version exactly. segno 1.4.1 (Debian 12) puts a zero byte too many
between the end of the data and the pad codewords whenever there is room for one (upstream
issue heuer/segno#148); in a full symbol there is no room, so only full symbols are a fair
reference. The pad codewords have their own test, with hand-worked codewords.
"""

import os

import segno

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUTPUT = os.path.join(ROOT, "tests", "unit", "qr_reference.inc")

PARKING = "临时停车，请多关照 tel:13800138000".encode("utf-8")
MOVE_CAR = "请挪车 tel:13800138000".encode("utf-8")
LONG_TEXT = ("Velmora parking card: if my car is in your way, please call me. " * 5).encode()


def filled(data, length):
    """The bytes cut or padded with '.' to the length, the capacity of the case's version."""
    return (data + b"." * length)[:length]


# (bytes, level, pinned version or 0, pinned mask or -1)
CASES = [
    # Phone numbers and card texts, version and mask left to the encoder.
    (b"tel:1380013", "Q", 0, -1),
    (b"tel:0086-13800138000", "Q", 0, -1),
    (b"tel:8613800138000", "L", 0, -1),
    (b"tel:+86-138-0013-8000,1234", "M", 0, -1),
    (b"tel:0086-13800138000;x=1", "H", 0, -1),
    (filled(PARKING, 46), "Q", 0, -1),  # version 4
    (filled(PARKING, 44), "H", 0, -1),  # version 5
    (LONG_TEXT[:122], "M", 0, -1),  # version 7, the first with version information
    (LONG_TEXT[:108], "Q", 0, -1),  # version 8
    (LONG_TEXT[:98], "H", 0, -1),  # version 9
    (LONG_TEXT[:271], "L", 0, -1),  # version 10: a 16-bit length
    # Each mask once, on a different version and level.
    (b"tel:1380013800", "M", 1, 0),
    (b"tel:1380013800", "H", 2, 1),
    (filled(MOVE_CAR, 32), "Q", 3, 2),
    (LONG_TEXT[:78], "L", 4, 3),
    (LONG_TEXT[:84], "M", 5, 4),
    (filled(PARKING, 74), "Q", 6, 5),
    (LONG_TEXT[:64], "H", 7, 6),
    (LONG_TEXT[:192], "L", 8, 7),
    # Versions pinned, masks left to the encoder.
    (LONG_TEXT[:134], "L", 6, -1),
    (filled(PARKING, 130), "Q", 9, -1),
    (LONG_TEXT[:213], "M", 10, -1),
]


def c_string(data):
    """A C++ string literal; octal escapes, which stop after three digits, for bytes outside ASCII."""
    out = []
    for byte in data:
        char = chr(byte)
        if char in '"\\':
            out.append("\\" + char)
        elif 0x20 <= byte < 0x7F:
            out.append(char)
        else:
            out.append("\\%03o" % byte)
    return '"' + "".join(out) + '"'


def reference(data, level, version, mask):
    symbol = segno.make_qr(data, error=level, version=version or None, mask=None if mask < 0 else mask,
                           mode="byte", boost_error=False)
    assert symbol.error == level and symbol.mode == "byte", (data, symbol.designator)
    assert version in (0, symbol.version) and mask in (-1, symbol.mask), (data, symbol.designator)
    try:
        segno.make_qr(data + b".", error=level, version=symbol.version, mode="byte", boost_error=False)
        raise AssertionError("%r does not fill version %d" % (data, symbol.version))
    except segno.DataOverflowError:
        pass
    rows = ["".join("#" if module else "." for module in row) for row in symbol.matrix]
    assert len(rows) == 17 + 4 * symbol.version
    return symbol.version, symbol.mask, rows


def main():
    lines = [
        "// Made by /usr/bin/python3 tools/make_qr_fixture.py with segno %s (Debian python3-segno):" % segno.__version__,
        "// an independent encoder's symbols, quiet zone left out, '#' dark. Every input fills its",
        "// version exactly (the script says why).",
        "// Each case: bytes, level, pinned version (0: smallest) and mask (-1: lowest penalty),",
        "// then the version and mask the reference chose, then the rows from the top.",
        "// clang-format off",
    ]
    for data, level, version, mask in CASES:
        chosen_version, chosen_mask, rows = reference(data, level, version, mask)
        lines.append("{std::string(%s, %d), Level::%s, {%d, %d}, %d, %d, {" % (
            c_string(data), len(data), level, version, mask, chosen_version, chosen_mask))
        lines.extend('    "%s",' % row for row in rows)
        lines.append("}},")
    lines.append("// clang-format on")
    with open(OUTPUT, "w", encoding="ascii", newline="\n") as out:
        out.write("\n".join(lines) + "\n")
    print("wrote %d cases to %s" % (len(CASES), OUTPUT))


if __name__ == "__main__":
    main()

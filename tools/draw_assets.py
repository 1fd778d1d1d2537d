#!/usr/bin/python3
"""Draw Velmora's pictures: the parking card, the program icon and the hand cursor.

Run from anywhere (the files land in the repository's assets/ folder):

    /usr/bin/python3 tools/draw_assets.py              # writes the files below
    /usr/bin/python3 tools/draw_assets.py --preview /tmp/velmora-preview
                                                       # ...and PNG views to look at

It writes
  assets/card.bmp     1200 x 550 card, 32-bit BI_RGB bottom-up BMP (the program
                      draws the phone digits into its 11 white boxes),
  assets/print/card-3x-00.png ... card-3x-10.png
                      the same card drawn 3x (3600 x 1650) for printing and high
                      dpi, in 11 bands of 150 rows, 24-bit RGB PNG,
  assets/print/bands.rc
                      the bands as RCDATA, ids IDR_CARD_3X_FIRST_BAND (resource.h)
                      and on; velmora.rc #includes it,
  assets/card-bw.bmp, assets/print/card-bw-3x-00.png ..., assets/print/bands-bw.rc
                      the same three for the black-and-white card ("黑白省墨"): the
                      layout on white for a laser printer, every coloured area a black
                      outline around white or light grey, the words black; its bands
                      take ids from IDR_CARD_BW_3X_FIRST_BAND,
  assets/velmora.ico  program icon, 48/40/32/24/20/16 px, 32-bit DIB images,
  assets/hand.cur     32 x 32, 16-colour pointing-hand cursor, hotspot (12, 2).
The card's size, its boxes, the parking mark, the bottom line, the grey band and
the bands' cut come from assets/card_layout.json.

Needs only Pillow (Debian: python3-pil) and the Debian fonts fonts-dejavu-core,
fonts-wqy-zenhei; about 30 s and 1.3 GB of memory (each 3x card is drawn on a
14400 x 6600 canvas, one after the other, so the peak is one card's).  The output
is the same, byte for byte, on every run.
After writing each file the script reads it back and checks the parts the
program relies on (the 3x bands also against card.bmp, scaled down); any
mismatch stops it with an AssertionError.
"""

import argparse
import colorsys
import io
import json
import math
import os
import re
import struct
import sys
import zlib

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ASSETS = os.path.join(ROOT, "assets")

DEJAVU = "/usr/share/fonts/truetype/dejavu/"
FONT_SERIF_P = DEJAVU + "DejaVuSerifCondensed-Bold.ttf"
FONT_LATIN_BOLD = DEJAVU + "DejaVuSans-Bold.ttf"
FONT_MONO_BOLD = DEJAVU + "DejaVuSansMono-Bold.ttf"
FONT_CJK = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"

# ----------------------------------------------------------------------------
# Card geometry (pixels, origin top-left, ranges inclusive).  What the program and
# the tests also rely on comes from the shared layout file; the rest is artwork.
# ----------------------------------------------------------------------------
with open(os.path.join(ASSETS, "card_layout.json"), encoding="utf-8") as _f:
    LAYOUT = json.load(_f)

CARD_W, CARD_H = LAYOUT["artwork"]["width"], LAYOUT["artwork"]["height"]
SS = 4                                   # the card is drawn 4x larger, then box-filtered down
_p = LAYOUT["print_artwork"]
PRINT_SCALE, PRINT_BAND_ROWS, PRINT_BANDS = _p["scale"], _p["band_rows"], _p["bands"]

YELLOW = (255, 255, 51)                  # #FFFF33
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
BAND_GREY = (51, 51, 51)

STRIPE_PERIOD = 44                       # hazard stripes: one black + one yellow, along x
PANEL = (32, 30, 1172, 485)              # rounded yellow panel (outline included)
PANEL_RADIUS = 18
PARK_SIGN = tuple(LAYOUT["parking_mark"][k] for k in ("left", "top", "right", "bottom"))
PARK_RIM = 5                             # black rim of the mark, inside PARK_SIGN
PARK_LETTER = (165, 63, 292, 199)        # the white P
HEADLINE = (355, 105, 1107, 187)
HEADLINE_TEXT = ("临时停靠", "请多关照")
DOTS_COUNT, DOTS_X0, DOTS_X1, DOTS_CY, DOT_D = 31, 342, 1133, 225, 13
HANDSET = (76, 312, 166, 398)
CALL_ME = (180, 318, 301, 392)
CAPTION = (76, 414, 301, 461)
CAPTION_TEXT = "挪车电话"

_b = LAYOUT["boxes"]
BOX_COUNT, BOX_X0, BOX_PITCH, BOX_W = _b["count"], _b["first_left"], _b["pitch"], _b["width"]
BOX_Y0, BOX_Y1 = _b["top"], _b["bottom"]                 # interior rows
BOX_BORDER, BOX_MARGIN = _b["border"], _b["margin"]

LINE_Y0, LINE_Y1 = LAYOUT["bottom_line"]["top"], LAYOUT["bottom_line"]["bottom"]   # black
BAND_Y0, BAND_Y1 = LAYOUT["band"]["top"], LAYOUT["band"]["bottom"]                 # dark grey
BAND_LEFT_TEXT, BAND_LEFT_X = "TEMPORARY PARKING", 109
BAND_RIGHT_TEXT, BAND_RIGHT_X = "PLEASE SUPPORT ME", 1074   # last inked column
BAND_FONT_PX, BAND_TRACKING = 28, 3


def box_interior(k):
    """Inclusive (x0, y0, x1, y1) of the white inside of digit box k (1..11)."""
    x0 = BOX_X0 + BOX_PITCH * (k - 1)
    return (x0, BOX_Y0, x0 + BOX_W - 1, BOX_Y1)


# ----------------------------------------------------------------------------
# Small drawing helpers
# ----------------------------------------------------------------------------
def ss_box(box, u):
    """Inclusive 1x pixel box -> Pillow box covering the same pixels on a canvas
    u times larger."""
    x0, y0, x1, y1 = box
    return (x0 * u, y0 * u, (x1 + 1) * u - 1, (y1 + 1) * u - 1)


def grow(box, d):
    """Inclusive box widened by d pixels on every side (narrowed if d < 0)."""
    x0, y0, x1, y1 = box
    return (x0 - d, y0 - d, x1 + d, y1 + d)


def ink_bbox(img):
    """Bounding box of the non-transparent part of an RGBA or L image."""
    band = img.getchannel("A") if img.mode == "RGBA" else img
    return band.getbbox()


def text_layer(pieces, font, passes, tracking=0.0):
    """Render text on a transparent layer cropped to its ink.

    pieces: list of (text, extra space after it) so words can be set apart.
    passes: list of (colour, stroke width) drawn one over the other, widest first;
            e.g. [(WHITE, 6), (BLACK, 0)] gives black letters with a white outline.
    tracking: extra advance after every character, in pixels.
    """
    total = sum(font.getlength(ch) + tracking for text, _ in pieces for ch in text)
    total += sum(gap for _, gap in pieces)
    size = font.size
    layer = Image.new("RGBA", (int(total) + 4 * size, 3 * size), (0, 0, 0, 0))
    draw = ImageDraw.Draw(layer)
    for colour, stroke in passes:
        x = float(size)
        for text, gap in pieces:
            for ch in text:
                draw.text((round(x), size), ch, font=font, fill=colour,
                          stroke_width=stroke, stroke_fill=colour)
                x += font.getlength(ch) + tracking
            x += gap
    return layer.crop(ink_bbox(layer))


def paste_fitted(canvas, layer, box, u):
    """Scale a cropped layer to fill the 1x inclusive box exactly and blend it in."""
    x0, y0, x1, y1 = ss_box(box, u)
    size = (x1 - x0 + 1, y1 - y0 + 1)
    if layer.size != size:
        layer = layer.convert("RGBa").resize(size, Image.LANCZOS).convert("RGBA")
    canvas.alpha_composite(layer, (x0, y0))


# ----------------------------------------------------------------------------
# Card elements, one function each.  All draw on a canvas u times the 1x card:
# u = SS for card.bmp, PRINT_SCALE * SS for the print artwork.
# ----------------------------------------------------------------------------
def draw_hazard_band(canvas, u):
    """Diagonal black/yellow stripes behind everything above the bottom line."""
    draw = ImageDraw.Draw(canvas)
    h = LINE_Y0 * u
    draw.rectangle((0, 0, CARD_W * u - 1, h - 1), fill=YELLOW)
    p = STRIPE_PERIOD * u
    half = p // 2
    for c in range(-h - p, CARD_W * u + p, p):
        # a "/" stripe: between the lines x + y = c + h and x + y = c + h + half
        draw.polygon([(c, h), (c + half, h), (c + half + h, 0), (c + h, 0)], fill=BLACK)


def draw_panel(canvas, u, ground=YELLOW, line_px=2):
    """Yellow panel, 2-pixel black outline, rounded at the top, square where it
    stands on the bottom line."""
    draw = ImageDraw.Draw(canvas)
    x0, y0, x1, y1 = ss_box(PANEL, u)
    line = line_px * u
    draw.rounded_rectangle((x0, y0, x1, y1), radius=PANEL_RADIUS * u,
                           fill=ground, outline=BLACK, width=line)
    mid = (y0 + y1) // 2
    draw.rectangle((x0, mid, x1, y1), fill=BLACK)
    draw.rectangle((x0 + line, mid, x1 - line, y1 - line), fill=ground)


def draw_parking_mark(canvas, u, ground=YELLOW, letter=WHITE, letter_rim=BLACK):
    """Yellow rounded square, black rim, big white serif P outlined in black."""
    draw = ImageDraw.Draw(canvas)
    draw.rounded_rectangle(ss_box(PARK_SIGN, u), radius=22 * u, fill=BLACK)
    inner = grow(PARK_SIGN, -PARK_RIM)
    draw.rounded_rectangle(ss_box(inner, u), radius=17 * u, fill=ground)

    # Letter: render large, then scale so the white part fills PARK_LETTER.
    font = ImageFont.truetype(FONT_SERIF_P, 150 * u)
    stroke = 5 * u
    size = (font.size * 2, font.size * 2)
    white = Image.new("L", size, 0)
    ImageDraw.Draw(white).text((stroke * 2, stroke * 2), "P", font=font, fill=255)
    ring = Image.new("L", size, 0)
    ImageDraw.Draw(ring).text((stroke * 2, stroke * 2), "P", font=font, fill=255,
                              stroke_width=stroke, stroke_fill=255)
    wx0, wy0, wx1, wy1 = white.getbbox()
    tx0, ty0, tx1, ty1 = ss_box(PARK_LETTER, u)
    sx = (tx1 - tx0 + 1) / (wx1 - wx0)
    sy = (ty1 - ty0 + 1) / (wy1 - wy0)
    out_w, out_h = round(size[0] * sx), round(size[1] * sy)
    white = white.resize((out_w, out_h), Image.LANCZOS)
    ring = ring.resize((out_w, out_h), Image.LANCZOS)
    ox, oy = tx0 - round(wx0 * sx), ty0 - round(wy0 * sy)
    if letter_rim is not None:
        canvas.paste(letter_rim, (ox, oy), ring)
    canvas.paste(letter, (ox, oy), white)


def draw_headline(canvas, u):
    """Large bold black Chinese words, white outline with a thin dark rim, fitted to HEADLINE."""
    font = ImageFont.truetype(FONT_CJK, 80 * u)
    pieces = [(HEADLINE_TEXT[0], 40 * u), (HEADLINE_TEXT[1], 0)]
    passes = [(BLACK, round(6.5 * u)), (WHITE, 5 * u), (BLACK, u)]
    layer = text_layer(pieces, font, passes, tracking=6 * u)
    paste_fitted(canvas, layer, HEADLINE, u)


def dot_colour(i):
    """Hue walk green -> cyan -> blue -> violet -> magenta -> red -> back to violet."""
    step = 330.0 / (DOTS_COUNT - 1)          # 240 degrees up to red, 90 back to violet
    t = i * step
    hue = 120.0 + t if t <= 240.0 else 360.0 - (t - 240.0)
    r, g, b = colorsys.hsv_to_rgb((hue % 360.0) / 360.0, 1.0, 0.92)
    return (round(r * 255), round(g * 255), round(b * 255))


def draw_dot_row(canvas, u):
    """31 round dots in rainbow colours under the headline."""
    draw = ImageDraw.Draw(canvas)
    first_left, last_left = DOTS_X0, DOTS_X1 + 1 - DOT_D
    top = DOTS_CY - DOT_D // 2
    for i in range(DOTS_COUNT):
        left = first_left + (last_left - first_left) * i / (DOTS_COUNT - 1)
        x0 = round(left * u)
        draw.ellipse((x0, top * u, x0 + DOT_D * u - 1, (top + DOT_D) * u - 1),
                     fill=dot_colour(i))


def handset_mask(w, h):
    """A telephone handset: curved grip, ear and mouth pieces facing the upper right.

    Built in a 100-unit frame (grip along x, bulging towards -y, pieces towards +y),
    turned 225 degrees, drawn 8x larger, smoothed and box-filtered to w x h.
    """
    u = 8
    mask = Image.new("L", (w * u, h * u), 0)
    draw = ImageDraw.Draw(mask)
    k = min(w, h) * u / 100.0
    turn = math.radians(225)
    c, s = math.cos(turn), math.sin(turn)
    cx, cy = w * u / 2, h * u / 2

    def at(x, y):
        return (cx + k * (x * c - y * s), cy + k * (x * s + y * c))

    def capsule(p, q, r):
        (x0, y0), (x1, y1), r = at(*p), at(*q), r * k
        n = math.hypot(x1 - x0, y1 - y0) or 1.0
        nx, ny = -(y1 - y0) / n * r, (x1 - x0) / n * r
        draw.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny),
                      (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], fill=255)
        for x, y in ((x0, y0), (x1, y1)):
            draw.ellipse((x - r, y - r, x + r, y + r), fill=255)

    span, bend, grip = 34, 26, 7.5
    line = [(span * t, -bend * (1 - t * t)) for t in (i / 20 - 1 for i in range(41))]
    for p, q in zip(line, line[1:]):
        capsule(p, q, grip)
    piece = ((-11, -8), (11, -8), (14, 18), (-14, 18))   # narrow at the grip, wide at the face
    for side in (-1, 1):
        tilt = math.radians(30 * side)
        ct, st = math.cos(tilt), math.sin(tilt)
        draw.polygon([at(side * span + x * ct - y * st, x * st + y * ct) for x, y in piece],
                     fill=255)
    mask = mask.filter(ImageFilter.GaussianBlur(min(w, h) * u * 0.035))
    mask = mask.point(lambda v: 255 if v >= 128 else 0)
    return mask.resize((w, h), Image.BOX)


def draw_call_me(canvas, u):
    """Handset symbol, CALL / ME beside it, Chinese caption underneath."""
    x0, y0, x1, y1 = ss_box(HANDSET, u)
    bw, bh = x1 - x0 + 1, y1 - y0 + 1
    mask = handset_mask(bw * 2, bh * 2)
    mask = mask.crop(mask.getbbox())
    scale = min(bw / mask.width, bh / mask.height)          # fill the box, keep the shape
    mask = mask.resize((round(mask.width * scale), round(mask.height * scale)), Image.LANCZOS)
    canvas.paste(BLACK, (x0, y0 + (bh - mask.height) // 2), mask)

    font = ImageFont.truetype(FONT_LATIN_BOLD, 42 * u)
    call = text_layer([("CALL", 0)], font, [(BLACK, 0)])
    me = text_layer([("ME", 0)], font, [(BLACK, 0)])
    cx0, cy0, cx1, cy1 = ss_box(CALL_ME, u)
    left = cx1 + 1 - call.width                       # CALL ends at the right edge
    canvas.alpha_composite(call, (left, cy0))
    canvas.alpha_composite(me, (left, cy1 + 1 - me.height))

    font = ImageFont.truetype(FONT_CJK, 52 * u)
    caption = text_layer([(CAPTION_TEXT, 0)], font, [(BLACK, u)], tracking=6 * u)
    paste_fitted(canvas, caption, CAPTION, u)


def draw_bottom(canvas, u, band=BAND_GREY, words=WHITE):
    """Black line, dark grey band and its two white monospaced phrases."""
    draw = ImageDraw.Draw(canvas)
    draw.rectangle(ss_box((0, LINE_Y0, CARD_W - 1, LINE_Y1), u), fill=BLACK)
    draw.rectangle(ss_box((0, BAND_Y0, CARD_W - 1, BAND_Y1), u), fill=band)
    font = ImageFont.truetype(FONT_MONO_BOLD, BAND_FONT_PX * u)
    left = text_layer([(BAND_LEFT_TEXT, 0)], font, [(words, 0)], tracking=BAND_TRACKING * u)
    right = text_layer([(BAND_RIGHT_TEXT, 0)], font, [(words, 0)], tracking=BAND_TRACKING * u)
    # vertical centre on the band, using the taller of the two (same font, same caps)
    h = max(left.height, right.height)
    top = round(((BAND_Y0 + BAND_Y1 + 1) * u - h) / 2)
    canvas.alpha_composite(left, (BAND_LEFT_X * u, top))
    canvas.alpha_composite(right, ((BAND_RIGHT_X + 1) * u - right.width, top))


def draw_digit_boxes(card, scale):
    """The 11 boxes, drawn pixel-exact on the final image (scale x the 1x card)."""
    draw = ImageDraw.Draw(card)
    for k in range(1, BOX_COUNT + 1):
        inside = box_interior(k)
        draw.rectangle(ss_box(grow(inside, BOX_BORDER + BOX_MARGIN), scale), fill=WHITE)
        draw.rectangle(ss_box(grow(inside, BOX_BORDER), scale), fill=BLACK)
        draw.rectangle(ss_box(inside, scale), fill=WHITE)


# ----------------------------------------------------------------------------
# The black-and-white card, for a laser printer at home: the same layout on white,
# each coloured area a black outline around white or light grey, the words black.
# ----------------------------------------------------------------------------
LIGHT_GREY = (217, 217, 217)             # big areas: toner dots a printer spreads thin
STRIPE_EDGE = 1.5                        # black edge of each hazard stripe, 1x pixels
FRAME = 2                                # black frame round the striped edge, 1x pixels
DOT_RIM = 2                              # black rim of each dot, 1x pixels


def draw_hazard_band_bw(canvas, u):
    """Light grey stripes edged in black on white, framed along the card's edge."""
    draw = ImageDraw.Draw(canvas)
    h = LINE_Y0 * u
    p = STRIPE_PERIOD * u
    half = p // 2
    shift = STRIPE_EDGE * u * math.sqrt(2)     # the edge across a 45-degree side
    for c in range(-h - p, CARD_W * u + p, p):
        draw.polygon([(c, h), (c + half, h), (c + half + h, 0), (c + h, 0)], fill=BLACK)
        draw.polygon([(c + shift, h), (c + half - shift, h), (c + half + h - shift, 0),
                      (c + h + shift, 0)], fill=LIGHT_GREY)
    # The window and the pictures show one column less than the artwork has: the right
    # side is one wider, so that as much of it shows as of the left.
    f = FRAME * u
    draw.rectangle((0, 0, CARD_W * u - 1, f - 1), fill=BLACK)
    draw.rectangle((0, 0, f - 1, h - 1), fill=BLACK)
    draw.rectangle((CARD_W * u - f - u, 0, CARD_W * u - 1, h - 1), fill=BLACK)


def draw_headline_bw(canvas, u):
    """The headline in solid black, fitted to HEADLINE like the colour one."""
    font = ImageFont.truetype(FONT_CJK, 80 * u)
    pieces = [(HEADLINE_TEXT[0], 40 * u), (HEADLINE_TEXT[1], 0)]
    layer = text_layer(pieces, font, [(BLACK, round(1.5 * u))], tracking=6 * u)
    paste_fitted(canvas, layer, HEADLINE, u)


def draw_dot_row_bw(canvas, u):
    """The 31 dots as black rings, every other one filled light grey."""
    draw = ImageDraw.Draw(canvas)
    first_left, last_left = DOTS_X0, DOTS_X1 + 1 - DOT_D
    top = DOTS_CY - DOT_D // 2
    for i in range(DOTS_COUNT):
        left = first_left + (last_left - first_left) * i / (DOTS_COUNT - 1)
        x0 = round(left * u)
        draw.ellipse((x0, top * u, x0 + DOT_D * u - 1, (top + DOT_D) * u - 1),
                     fill=LIGHT_GREY if i % 2 == 0 else WHITE, outline=BLACK, width=DOT_RIM * u)


def draw_artwork_colour(canvas, u):
    draw_hazard_band(canvas, u)
    draw_panel(canvas, u)
    draw_parking_mark(canvas, u)
    draw_headline(canvas, u)
    draw_dot_row(canvas, u)
    draw_call_me(canvas, u)
    draw_bottom(canvas, u)


def draw_artwork_bw(canvas, u):
    draw_hazard_band_bw(canvas, u)
    draw_panel(canvas, u, ground=WHITE, line_px=3)
    draw_parking_mark(canvas, u, ground=WHITE, letter=BLACK, letter_rim=None)
    draw_headline_bw(canvas, u)
    draw_dot_row_bw(canvas, u)
    draw_call_me(canvas, u)
    draw_bottom(canvas, u, band=LIGHT_GREY, words=BLACK)


# What differs between the two cards where the checks look: the parking mark's
# ground, the bottom band and its words; and whether any colour may show at all.
class Style:
    def __init__(self, name, draw, ground, band, words, grey_only):
        self.name, self.draw, self.ground = name, draw, ground
        self.band, self.words, self.grey_only = band, words, grey_only
        suffix = "" if name == "colour" else "-" + name
        self.bmp = f"card{suffix}.bmp"
        self.band_prefix = f"card{suffix}-{PRINT_SCALE}x-"
        self.rc = f"bands{suffix}.rc"
        self.first_band_id = "IDR_CARD_" + ("" if name == "colour" else name.upper() + "_") \
            + f"{PRINT_SCALE}X_FIRST_BAND"


COLOUR = Style("colour", draw_artwork_colour, YELLOW, BAND_GREY, WHITE, grey_only=False)
BW = Style("bw", draw_artwork_bw, WHITE, LIGHT_GREY, BLACK, grey_only=True)
STYLES = (COLOUR, BW)


def draw_card(scale=1, style=COLOUR):
    u = scale * SS
    canvas = Image.new("RGBA", (CARD_W * u, CARD_H * u), WHITE + (255,))
    style.draw(canvas, u)
    card = canvas.convert("RGB").resize((CARD_W * scale, CARD_H * scale), Image.BOX)
    del canvas
    draw_digit_boxes(card, scale)
    return card


# ----------------------------------------------------------------------------
# Card file: BITMAPFILEHEADER + BITMAPINFOHEADER + BGR0 rows bottom-up + 2 zero bytes
# ----------------------------------------------------------------------------
BMP_PPM = 3936                            # 100 dpi
BMP_TRAILER = b"\0\0"


def card_bmp_bytes(card):
    w, h = card.size
    r, g, b = card.split()
    zero = Image.new("L", card.size, 0)
    pixels = Image.merge("RGBA", (b, g, r, zero)).transpose(Image.FLIP_TOP_BOTTOM).tobytes()
    assert len(pixels) == w * h * 4
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 32, 0, len(pixels),
                       BMP_PPM, BMP_PPM, 0, 0)
    size = 14 + len(info) + len(pixels) + len(BMP_TRAILER)
    head = struct.pack("<2sIHHI", b"BM", size, 0, 0, 14 + len(info))
    return head + info + pixels + BMP_TRAILER


class BmpReader:
    """Pixel access straight from the bytes of a 32-bit bottom-up BMP."""

    def __init__(self, data):
        magic, self.file_size, _, _, self.offset = struct.unpack_from("<2sIHHI", data, 0)
        (self.hsize, self.w, self.h, self.planes, self.bpp, self.compression,
         self.image_size, self.xppm, self.yppm, _, _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
        assert magic == b"BM", "card.bmp: not a BMP"
        self.data = data

    def px(self, x, y):
        i = self.offset + ((self.h - 1 - y) * self.w + x) * 4
        b, g, r, a = self.data[i:i + 4]
        return (r, g, b, a)

    def rgb(self, x, y):
        return self.px(x, y)[:3]


def check_card_file(path, style=COLOUR):
    data = open(path, "rb").read()
    bmp = BmpReader(data)
    name = style.bmp
    image_size = CARD_W * CARD_H * 4
    assert len(data) == 54 + image_size + len(BMP_TRAILER) == bmp.file_size, \
        f"{name}: size {len(data)} / bfSize {bmp.file_size}"
    assert bmp.offset == 54 and bmp.hsize == 40, f"{name}: headers are not 14 + 40 bytes"
    assert (bmp.w, bmp.h) == (CARD_W, CARD_H), f"{name}: not {CARD_W} x {CARD_H} bottom-up"
    assert (bmp.planes, bmp.bpp, bmp.compression) == (1, 32, 0), f"{name}: not 32-bit BI_RGB"
    assert bmp.image_size == image_size, f"{name}: biSizeImage"
    assert (bmp.xppm, bmp.yppm) == (BMP_PPM, BMP_PPM), f"{name}: resolution"
    pixels = data[54:54 + image_size]
    assert pixels[3::4].count(0) == CARD_W * CARD_H, f"{name}: a fourth byte is not 0"
    assert data[54 + image_size:] == BMP_TRAILER, f"{name}: trailing bytes"

    for k in range(1, BOX_COUNT + 1):
        x0, y0, x1, y1 = box_interior(k)
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                assert bmp.rgb(x, y) == WHITE, f"box {k}: interior ({x},{y}) is {bmp.rgb(x, y)}"
        # rings around the interior: distance 1..2 black border, 3..5 white margin
        for d in range(1, BOX_BORDER + BOX_MARGIN + 1):
            want = BLACK if d <= BOX_BORDER else WHITE
            ring = ([(x, y0 - d) for x in range(x0 - d, x1 + d + 1)] +
                    [(x, y1 + d) for x in range(x0 - d, x1 + d + 1)] +
                    [(x0 - d, y) for y in range(y0 - d, y1 + d + 1)] +
                    [(x1 + d, y) for y in range(y0 - d, y1 + d + 1)])
            for x, y in ring:
                assert bmp.rgb(x, y) == want, f"box {k}: ({x},{y}) is {bmp.rgb(x, y)}, not {want}"
        if k < BOX_COUNT:       # exactly 6 white pixels between neighbouring borders
            gap = [bmp.rgb(x, (y0 + y1) // 2) for x in range(x1 + 1, x1 + 1 + 2 + 6 + 2)]
            assert gap == [BLACK] * 2 + [WHITE] * 6 + [BLACK] * 2, f"box {k}: gap {gap}"

    for y in range(LINE_Y0, LINE_Y1 + 1):
        for x in range(CARD_W):
            assert bmp.rgb(x, y) == BLACK, f"bottom line: ({x},{y}) is {bmp.rgb(x, y)}"
    assert any(bmp.rgb(x, LINE_Y0 - 1) != BLACK for x in range(CARD_W)), \
        f"bottom line starts above row {LINE_Y0}"

    # grey band: only grey and the words (white on dark grey, black on light grey),
    # from BAND_LEFT_X to BAND_RIGHT_X
    band, toward_words = style.band, style.words[0] - style.band[0]
    inked = set()
    for y in range(BAND_Y0, BAND_Y1 + 1):
        for x in range(CARD_W):
            p = bmp.rgb(x, y)
            if p != band:
                assert p[0] == p[1] == p[2] and (p[0] - band[0]) * toward_words > 0, \
                    f"{name}: grey band ({x},{y}) is {p}"
                inked.add(x)
    for x in range(CARD_W):
        for y in (BAND_Y0, BAND_Y1):
            assert bmp.rgb(x, y) == band, f"{name}: grey band edge ({x},{y}) is {bmp.rgb(x, y)}"
    assert min(inked) == BAND_LEFT_X, f"left words start at {min(inked)}"
    assert max(inked) == BAND_RIGHT_X, f"right words end at {max(inked)}"

    check_parking_mark(bmp.rgb, 1, name, style.ground)
    if style.grey_only:
        assert all(pixels[i] == pixels[i + 1] == pixels[i + 2] for i in range(0, image_size, 4)), \
            f"{name}: a coloured pixel"


def check_parking_mark(rgb, s, what, ground=YELLOW):
    """The mark's black rim lies on the layout's square: PARK_RIM pixels (x s) deep
    at the middle of each side, the ground (yellow) just outside and just inside.  rgb(x, y)
    reads the picture, which is s times the 1x card."""
    x0, y0, x1, y1 = PARK_SIGN
    rim = PARK_RIM
    cx, cy = (x0 + x1) // 2 * s, (y0 + y1) // 2 * s
    sides = {            # outermost rim pixel, step inwards, as (x, y) pairs
        "left": ((x0 * s, cy), (1, 0)),
        "right": (((x1 + 1) * s - 1, cy), (-1, 0)),
        "top": ((cx, y0 * s), (0, 1)),
        "bottom": ((cx, (y1 + 1) * s - 1), (0, -1)),
    }
    for side, ((x, y), (dx, dy)) in sides.items():
        for i in range(-1, rim * s + 1):
            want = BLACK if 0 <= i < rim * s else ground
            px, py = x + i * dx, y + i * dy
            assert rgb(px, py) == want, \
                f"{what}: parking mark {side} side, ({px},{py}) is {rgb(px, py)}"


# ----------------------------------------------------------------------------
# Print artwork: the card drawn PRINT_SCALE times larger, cut into bands of
# PRINT_BAND_ROWS rows, each a 24-bit PNG.  The program embeds them as RCDATA
# and decodes one band at a time, so a page never needs the whole picture.
# ----------------------------------------------------------------------------
PRINT_DIR = os.path.join(ASSETS, "print")
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"

# How far the print artwork, box-filtered down, may stray from card.bmp.  Measured:
# mean 0.70/0.71/0.41, 0.59 % of pixels off by more than 32, at most 92.  A part
# missing or moved by a whole 1x pixel shows as a difference near 255.
MATCH_MEAN = 1.0                # mean |difference| per channel, in levels of 255
MATCH_FAR, MATCH_FAR_SHARE = 32, 0.01             # at most 1 % of pixels off by more than 32
MATCH_MAX = 128                 # and none by more than this

assert PRINT_BANDS * PRINT_BAND_ROWS == CARD_H * PRINT_SCALE, \
    "card_layout.json: print_artwork bands do not cover the card exactly"


def band_file(style, i):
    return f"{style.band_prefix}{i:02d}.png"


def write_print_bands(card, style=COLOUR):
    """Write the bands and the resource-script fragment that lists them."""
    os.makedirs(PRINT_DIR, exist_ok=True)
    names = [band_file(style, i) for i in range(PRINT_BANDS)]
    ours = re.compile(re.escape(style.band_prefix) + r"\d+\.png$")
    for old in os.listdir(PRINT_DIR):          # bands of an earlier, longer cut
        if ours.match(old) and old not in names:
            os.remove(os.path.join(PRINT_DIR, old))
    w = card.width
    for i, name in enumerate(names):
        band = card.crop((0, i * PRINT_BAND_ROWS, w, (i + 1) * PRINT_BAND_ROWS))
        write_file(os.path.join(PRINT_DIR, name), png_with_sub_filter(band))
    what = "" if style is COLOUR else f" of the {style.name} card"
    lines = [
        f"// The print artwork{what}, top band first: the card drawn {PRINT_SCALE}x,"
        f" {PRINT_BAND_ROWS} rows a band.",
        "// Written by tools/draw_assets.py; #included from velmora.rc, so the paths are",
        "// relative to assets/.",
    ]
    lines += [f'{style.first_band_id} + {i} RCDATA "print/{name}"' for i, name in enumerate(names)]
    write_file(os.path.join(PRINT_DIR, style.rc), ("\n".join(lines) + "\n").encode("utf-8"))
    return [os.path.join(PRINT_DIR, name) for name in names]


def png_with_sub_filter(image):
    """An 8-bit RGB PNG whose every row is filtered by "Sub". The program decodes a band
    whenever it draws the card at print quality, and the "Paeth" rows an adaptive encoder
    likes cost the decoder far more (measured under Wine: 140 ms against 88 for the eleven
    bands), and saves only some 40 KB in all."""
    width, height = image.size
    raw = image.tobytes()
    rows = bytearray()
    for y in range(height):
        row = raw[y * width * 3:(y + 1) * width * 3]
        rows.append(1)  # Sub: each byte less the byte of the pixel to its left
        rows += bytes(row[i] if i < 3 else (row[i] - row[i - 3]) & 0xFF for i in range(len(row)))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (PNG_SIGNATURE + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(rows), 9))
            + chunk(b"IEND", b""))


def png_chunks(data, what):
    assert data[:8] == PNG_SIGNATURE, f"{what}: not a PNG"
    chunks, i = [], 8
    while i < len(data):
        length, kind = struct.unpack_from(">I4s", data, i)
        body = data[i + 8:i + 8 + length]
        crc, = struct.unpack_from(">I", data, i + 8 + length)
        assert crc == zlib.crc32(kind + body), f"{what}: bad CRC on {kind}"
        chunks.append((kind, body))
        i += 12 + length
    assert i == len(data), f"{what}: truncated"
    return chunks


def read_band(path):
    """Check one band file's format and return its picture."""
    what = os.path.relpath(path, ROOT)
    data = open(path, "rb").read()
    chunks = png_chunks(data, what)
    kinds = [kind for kind, _ in chunks]
    # IHDR, the image data, IEND, and nothing else (no gamma, profile, text or time)
    assert kinds[0] == b"IHDR" and kinds[-1] == b"IEND" and len(kinds) > 2 and \
        all(k == b"IDAT" for k in kinds[1:-1]), f"{what}: chunks {kinds}"
    size = (CARD_W * PRINT_SCALE, PRINT_BAND_ROWS)
    assert chunks[0][1] == struct.pack(">IIBBBBB", *size, 8, 2, 0, 0, 0), \
        f"{what}: not {size[0]} x {size[1]}, 8-bit RGB, not interlaced"
    band = Image.open(io.BytesIO(data))
    band.load()
    assert band.mode == "RGB" and band.size == size, what
    return band


def assert_filled(img, box, colour, what):
    """Every pixel of the inclusive box is colour."""
    x0, y0, x1, y1 = box
    colours = img.crop((x0, y0, x1 + 1, y1 + 1)).getcolors(1)
    assert colours == [((x1 - x0 + 1) * (y1 - y0 + 1), colour)], \
        f"{what}: ({x0},{y0})-({x1},{y1}) is not all {colour}"


def check_print_art(art, s, style=COLOUR):
    """The parts the program relies on, pixel-exact at s times the 1x card."""
    for k in range(1, BOX_COUNT + 1):
        inside = ss_box(box_interior(k), s)
        assert_filled(art, inside, WHITE, f"print box {k} interior")
        x0, y0, x1, y1 = inside
        b, m = BOX_BORDER * s, BOX_MARGIN * s
        for d0, d1, colour in ((1, b, BLACK), (b + 1, b + m, WHITE)):   # border, then margin
            for strip in ((x0 - d1, y0 - d1, x1 + d1, y0 - d0),      # above
                          (x0 - d1, y1 + d0, x1 + d1, y1 + d1),      # below
                          (x0 - d1, y0 - d1, x0 - d0, y1 + d1),      # left
                          (x1 + d0, y0 - d1, x1 + d1, y1 + d1)):     # right
                assert_filled(art, strip, colour, f"print box {k} ring")

    w = art.width
    assert_filled(art, (0, LINE_Y0 * s, w - 1, (LINE_Y1 + 1) * s - 1), BLACK, "print bottom line")
    assert art.crop((0, LINE_Y0 * s - 1, w, LINE_Y0 * s)).getcolors(1) != [(w, BLACK)], \
        f"print bottom line starts above row {LINE_Y0 * s}"
    top, bottom = BAND_Y0 * s, (BAND_Y1 + 1) * s - 1
    assert bottom == art.height - 1, "print grey band does not reach the bottom"
    for y in (top, bottom):
        assert_filled(art, (0, y, w - 1, y), style.band, "print grey band edge")
    # only grey and the words (neutral, on the words' side of the band's grey), words
    # inked from the left start to the right end, scaled
    band = art.crop((0, top, w, bottom + 1))
    assert is_grey(band), "print grey band: a coloured pixel"
    lightest_or_darkest = band.getchannel(0).getextrema()[0 if style.words > style.band else 1]
    assert lightest_or_darkest == style.band[0], "print grey band: on the wrong side of the band"
    ink = ImageChops.difference(band, Image.new("RGB", band.size, style.band)).getbbox()
    assert (ink[0], ink[2] - 1) == (BAND_LEFT_X * s, (BAND_RIGHT_X + 1) * s - 1), \
        f"print grey band: words from {ink[0]} to {ink[2] - 1}"

    check_parking_mark(lambda x, y: art.getpixel((x, y)), s, "print artwork", style.ground)
    if style.grey_only:
        assert is_grey(art), f"print artwork ({style.name}): a coloured pixel"


def is_grey(img):
    r, g, b = img.split()
    return ImageChops.difference(r, g).getbbox() is None and ImageChops.difference(g, b).getbbox() is None


def compare_with_card(art, card, s):
    """How far the artwork, box-filtered down by s, is from the 1x card."""
    small = art.resize(card.size, Image.BOX)
    diff = ImageChops.difference(small, card)
    n = card.width * card.height
    means = [sum(v * c for v, c in enumerate(diff.getchannel(i).histogram())) / n
             for i in range(3)]
    r, g, b = diff.split()
    worst = ImageChops.lighter(ImageChops.lighter(r, g), b).histogram()
    far = sum(worst[MATCH_FAR + 1:]) / n
    top = max(v for v, c in enumerate(worst) if c)
    return means, far, top


def check_print_bands(paths, card_path, style=COLOUR):
    """Read the bands back, check each file and the artwork they make up, and
    compare it with the 1x card as written."""
    s = PRINT_SCALE
    art = Image.new("RGB", (CARD_W * s, CARD_H * s))
    for i, path in enumerate(paths):
        art.paste(read_band(path), (0, i * PRINT_BAND_ROWS))
    check_print_art(art, s, style)

    # The boxes, scaled down, are card.bmp's to the pixel: both are checked exact and
    # every edge of the print boxes falls on a multiple of s.  The rest is drawn anew
    # at the larger size (text hinting, sub-pixel edges), so it only has to be close.
    card = Image.open(card_path).convert("RGB")
    means, far, top = compare_with_card(art, card, s)
    assert max(means) <= MATCH_MEAN, f"print artwork scaled down: mean difference {means}"
    assert far <= MATCH_FAR_SHARE, \
        f"print artwork scaled down: {far:.2%} of pixels off by more than {MATCH_FAR}"
    assert top <= MATCH_MAX, f"print artwork scaled down: a pixel off by {top}"

    # the resource script: consecutive ids from the macro, one per band, in order,
    # and velmora.rc defines the macro before it takes in the fragment
    rc = open(os.path.join(PRINT_DIR, style.rc), encoding="utf-8").read()
    entries = re.findall(r'^(\w+) \+ (\d+) RCDATA "([^"]+)"$', rc, re.M)
    first = style.first_band_id
    want = [(first, str(i), "print/" + os.path.basename(p)) for i, p in enumerate(paths)]
    assert entries == want and rc.count("RCDATA") == len(paths), f"{style.rc}: entries"
    header = open(os.path.join(ASSETS, "resource.h"), encoding="utf-8").read()
    assert re.search(rf"^#define {first} \d+$", header, re.M), f"resource.h: no #define {first}"
    script = open(os.path.join(ASSETS, "velmora.rc"), encoding="utf-8").read()
    at_header = script.find('#include "resource.h"')
    at_bands = script.find(f'#include "print/{style.rc}"')
    assert 0 <= at_header < at_bands, f"velmora.rc: does not take in print/{style.rc} after resource.h"
    return art, means, far, top


# ----------------------------------------------------------------------------
# Program icon
# ----------------------------------------------------------------------------
ICON_SIZES = (48, 40, 32, 24, 20, 16)
SLATE = (51, 56, 64)
RED = (255, 0, 31)
RED_FILL_ALPHA = 96
PEN_FILL = (255, 255, 255)


def inset_polygon(pts, d):
    """Move every edge of a convex, clockwise-on-screen polygon inwards by d."""
    n = len(pts)
    lines = []
    for i in range(n):
        (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % n]
        ex, ey = x1 - x0, y1 - y0
        length = math.hypot(ex, ey)
        nx, ny = -ey / length, ex / length          # inward normal for clockwise-on-screen
        lines.append(((x0 + nx * d, y0 + ny * d), (ex, ey)))
    out = []
    for i in range(n):
        (px, py), (dx, dy) = lines[i - 1]
        (qx, qy), (ex, ey) = lines[i]
        den = dx * ey - dy * ex
        t = ((qx - px) * ey - (qy - py) * ex) / den
        out.append((px + dx * t, py + dy * t))
    return out


def pen_polygons(cx, cy, length, width, tip):
    """Pen lying along the '/' diagonal, centred on (cx, cy), point to the lower left.

    Returns the outline (a clockwise pentagon) and at(u, v), which maps a point
    given along (u) and across (v) the pen to canvas coordinates.
    """
    ux, uy = 1 / math.sqrt(2), -1 / math.sqrt(2)    # along the pen, towards its cap
    vx, vy = 1 / math.sqrt(2), 1 / math.sqrt(2)     # across the pen

    def at(u, v):
        return (cx + ux * u + vx * v, cy + uy * u + vy * v)

    half, w2 = length / 2, width / 2
    # clockwise on screen: cap end first
    return [at(half, -w2), at(half, w2), at(-half + tip, w2), at(-half, 0),
            at(-half + tip, -w2)], at


def draw_icon_image(s):
    """One icon size: drawn 8x on a pixel-aligned grid, then box-filtered to s x s."""
    u = 8
    img = Image.new("RGBA", (s * u, s * u), (0, 0, 0, 0))
    draw = ImageDraw.Draw(img)
    w = max(1, round(s / 16))                     # slate line width in pixels
    a = max(1, round(s * 0.06))                   # square's outer top-left
    b = round(s * 0.80)                           # square's outer bottom-right (exclusive)

    def rect(x0, y0, x1, y1, **kw):               # exclusive 1x coordinates
        draw.rectangle((x0 * u, y0 * u, x1 * u - 1, y1 * u - 1), **kw)

    rect(a, a, b, b, fill=SLATE + (255,))
    rect(a + w, a + w, b - w, b - w, fill=(0, 0, 0, 0))

    # the red bar across the upper half
    p = max(1, round(s / 16))
    rw = max(1, round(s / 24))
    bx0, by0 = a + w + p, a + w + p
    bx1, by1 = b - w - p, by0 + max(4, round(s * 0.22))
    rect(bx0, by0, bx1, by1, fill=RED + (255,))
    rect(bx0 + rw, by0 + rw, bx1 - rw, by1 - rw, fill=RED + (RED_FILL_ALPHA,))

    # the pen across the lower-right corner, with a transparent gap around it
    corner = (b - w / 2) * u
    length, width = 0.66 * s * u, max(4.0, 0.21 * s) * u
    tip = width * 1.2
    outline, at = pen_polygons(corner, corner, length, width, tip)
    gap = max(1.0, s / 24) * u
    draw.polygon(inset_polygon(outline, -gap), fill=(0, 0, 0, 0))
    draw.polygon(outline, fill=SLATE + (255,))
    if s >= 32:          # big enough for a hollow pen: white body, slate rim and point
        line = w * u
        draw.polygon(inset_polygon(outline, line), fill=PEN_FILL + (255,))
        fu = -length / 2 + tip                     # where the point meets the body
        draw.polygon([at(fu, -width / 2), at(fu, width / 2),
                      at(fu + line, width / 2), at(fu + line, -width / 2)], fill=SLATE + (255,))
        point = tip * 0.45
        draw.polygon([at(-length / 2, 0), at(-length / 2 + point, width * 0.5 * 0.45),
                      at(-length / 2 + point, -width * 0.5 * 0.45)], fill=SLATE + (255,))
    return img.convert("RGBa").resize((s, s), Image.BOX).convert("RGBA")


def and_mask_bytes(opaque_rows, s):
    """1-bpp AND mask, bottom-up, rows padded to 4 bytes: bit 1 = transparent."""
    stride = ((s + 31) // 32) * 4
    out = bytearray()
    for row in reversed(opaque_rows):
        bits = bytearray(stride)
        for x, opaque in enumerate(row):
            if not opaque:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def icon_dib(img):
    s = img.width
    r, g, b, a = img.split()
    xor = Image.merge("RGBA", (b, g, r, a)).transpose(Image.FLIP_TOP_BOTTOM).tobytes()
    alpha = a.tobytes()
    rows = [[alpha[y * s + x] != 0 for x in range(s)] for y in range(s)]
    mask = and_mask_bytes(rows, s)
    head = struct.pack("<IiiHHIIiiII", 40, s, 2 * s, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return head + xor + mask


def icon_bytes(images):
    dibs = [icon_dib(img) for img in images]
    out = struct.pack("<HHH", 0, 1, len(dibs))
    offset = 6 + 16 * len(dibs)
    for img, dib in zip(images, dibs):
        s = img.width
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(dib), offset)
        offset += len(dib)
    return out + b"".join(dibs)


def check_icon_file(path):
    data = open(path, "rb").read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert (reserved, kind, count) == (0, 1, len(ICON_SIZES)), "velmora.ico: directory"
    expect = 6 + 16 * count
    for i, s in enumerate(ICON_SIZES):
        w, h, colours, res, planes, bpp, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        assert (w, h, colours, planes, bpp) == (s, s, 0, 1, 32), f"velmora.ico: entry {i}"
        assert offset == expect, f"velmora.ico: entry {i} offset"
        hsize, dw, dh, dplanes, dbpp, comp = struct.unpack_from("<IiiHHI", data, offset)
        assert (hsize, dw, dh, dplanes, dbpp, comp) == (40, s, 2 * s, 1, 32, 0), f"velmora.ico: DIB {s}"
        stride = ((s + 31) // 32) * 4
        assert size == 40 + s * s * 4 + stride * s, f"velmora.ico: {s} px image size"
        xor = data[offset + 40:offset + 40 + s * s * 4]
        mask = data[offset + 40 + s * s * 4:offset + size]
        alphas = xor[3::4]
        seen = set()
        for y in range(s):                     # stored bottom-up
            for x in range(s):
                transparent = bool(mask[y * stride + x // 8] & (0x80 >> (x % 8)))
                alpha = alphas[y * s + x]
                assert transparent == (alpha == 0), f"velmora.ico: {s} px mask at ({x},{s - 1 - y})"
                if alpha == 255:
                    seen.add(xor[(y * s + x) * 4:(y * s + x) * 4 + 3])
        # both the slate frame and the red bar must survive at every size
        assert bytes(SLATE[::-1]) in seen, f"velmora.ico: {s} px has no solid slate"
        assert bytes(RED[::-1]) in seen, f"velmora.ico: {s} px has no solid red"
        assert any(0 < v < 255 for v in alphas), f"velmora.ico: {s} px has no translucency"
        expect += size
    assert expect == len(data), "velmora.ico: trailing bytes"


# ----------------------------------------------------------------------------
# Hand cursor: 32 x 32, 4 bpp, hotspot on the top of the index fingertip
# ----------------------------------------------------------------------------
CURSOR_SIZE = 32
HOTSPOT = (12, 2)
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
IDX_BLACK, IDX_WHITE = 0, 15

# The white inside of the hand, as (row, first column, last column) spans.  The black
# outline is every pixel next to (left/right/up/down) a white one; the gaps left
# between the folded fingers become the black lines that separate them.
HAND_SPANS = (
    [(y, 11, 13) for y in range(3, 15)] +          # index finger, pointing up
    [(y, 15, 17) for y in range(10, 15)] +         # middle finger, folded (knuckle)
    [(y, 19, 21) for y in range(11, 15)] +         # ring finger, folded
    [(y, 23, 24) for y in range(12, 15)] +         # little finger, folded
    [(14, 6, 8), (15, 6, 10), (16, 7, 10), (17, 8, 10), (18, 9, 10)] +   # thumb, left
    [(y, 11, 24) for y in range(15, 22)] +         # palm
    [(22, 11, 24), (23, 12, 24), (24, 12, 23), (25, 13, 23)] +
    [(y, 14, 22) for y in range(26, 30)]           # wrist
)


def hand_pixels():
    """32 x 32 grid of None (transparent), IDX_BLACK or IDX_WHITE."""
    grid = [[None] * CURSOR_SIZE for _ in range(CURSOR_SIZE)]
    for y, x0, x1 in HAND_SPANS:
        for x in range(x0, x1 + 1):
            grid[y][x] = IDX_WHITE
    for y in range(CURSOR_SIZE):
        for x in range(CURSOR_SIZE):
            if grid[y][x] is None and any(
                    0 <= y + dy < CURSOR_SIZE and 0 <= x + dx < CURSOR_SIZE
                    and grid[y + dy][x + dx] == IDX_WHITE
                    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                grid[y][x] = IDX_BLACK
    return grid


def cursor_bytes(grid):
    s = CURSOR_SIZE
    xor = bytearray()
    for row in reversed(grid):
        for x in range(0, s, 2):
            hi = row[x] if row[x] is not None else 0
            lo = row[x + 1] if row[x + 1] is not None else 0
            xor.append((hi << 4) | lo)
    mask = and_mask_bytes([[v is not None for v in row] for row in grid], s)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA16)
    head = struct.pack("<IiiHHIIiiII", 40, s, 2 * s, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    dib = head + palette + bytes(xor) + mask
    dir_ = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", s, s, 16, 0, HOTSPOT[0], HOTSPOT[1], len(dib), 6 + 16)
    return dir_ + entry + dib


def check_cursor_file(path):
    data = open(path, "rb").read()
    assert struct.unpack_from("<HHH", data, 0) == (0, 2, 1), "hand.cur: directory"
    w, h, colours, _, hx, hy, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
    assert (w, h, colours, hx, hy) == (32, 32, 16, 12, 2), "hand.cur: entry"
    assert offset == 22 and offset + size == len(data), "hand.cur: extent"
    hsize, dw, dh, planes, bpp, comp = struct.unpack_from("<IiiHHI", data, offset)
    assert (hsize, dw, dh, planes, bpp, comp) == (40, 32, 64, 1, 4, 0), "hand.cur: DIB header"
    pal = data[offset + 40:offset + 40 + 64]
    xor = data[offset + 104:offset + 104 + 512]
    mask = data[offset + 616:offset + 616 + 128]
    assert len(mask) == 128 and offset + 744 == len(data), "hand.cur: sizes"

    def colour(x, y):                            # y from the top
        row = 31 - y
        byte = xor[row * 16 + x // 2]
        idx = byte >> 4 if x % 2 == 0 else byte & 15
        transparent = bool(mask[row * 4 + x // 8] & (0x80 >> (x % 8)))
        return None if transparent else tuple(pal[idx * 4:idx * 4 + 3][::-1]), idx

    for y in range(32):
        for x in range(32):
            c, idx = colour(x, y)
            assert c is not None or idx == 0, f"hand.cur: XOR not 0 under transparent ({x},{y})"
            assert c in (None, BLACK, WHITE), f"hand.cur: odd colour at ({x},{y})"
    assert colour(12, 2)[0] == BLACK and colour(12, 3)[0] == WHITE, "hand.cur: fingertip"
    assert all(colour(x, y)[0] is None for y in range(2) for x in range(32)), \
        "hand.cur: something above the fingertip"
    assert all(colour(x, 0)[0] is None and colour(x, 31)[0] is None for x in range(32)), \
        "hand.cur: hand touches the edge"


# ----------------------------------------------------------------------------
# Previews (optional)
# ----------------------------------------------------------------------------
def checkerboard(w, h, cell):
    img = Image.new("RGB", (w, h), (255, 255, 255))
    draw = ImageDraw.Draw(img)
    for y in range(0, h, cell):
        for x in range(0, w, cell):
            if (x // cell + y // cell) % 2:
                draw.rectangle((x, y, x + cell - 1, y + cell - 1), fill=(204, 204, 204))
    return img


def write_previews(folder, cards, icons, grid):
    """cards: (style, 1x card, print artwork) for each style."""
    os.makedirs(folder, exist_ok=True)
    for style, card, art in cards:
        stem = os.path.splitext(style.bmp)[0]
        card.save(os.path.join(folder, f"{stem}.png"))
        # the print artwork: all of it at half size, and its edges 1:1 around the
        # parking mark, the handset and the first two boxes
        s = PRINT_SCALE
        art.resize((art.width // 2, art.height // 2), Image.BOX).save(
            os.path.join(folder, f"{stem}-{s}x-half.png"))
        art.crop((60 * s, 30 * s, 480 * s, 470 * s)).save(os.path.join(folder, f"{stem}-{s}x-detail.png"))
    zoom = 8
    sheet = checkerboard(sum(i.width * zoom + 16 for i in icons) + 16 + 200, 48 * zoom + 32, zoom)
    x = 16
    for img in icons:
        big = img.resize((img.width * zoom, img.height * zoom), Image.NEAREST)
        sheet.paste(big, (x, 16), big)
        x += big.width + 16
    for i, img in enumerate(icons):             # real size, on light and dark ground
        sheet.paste(img, (x + 10, 16 + i * 56), img)
        dark = Image.new("RGB", (img.width + 8, img.height + 8), (40, 40, 40))
        dark.paste(img, (4, 4), img)
        sheet.paste(dark, (x + 80, 12 + i * 56))
    sheet.save(os.path.join(folder, "icon.png"))
    zoom = 12
    cur = checkerboard(32 * zoom, 32 * zoom, zoom)
    draw = ImageDraw.Draw(cur)
    for y, row in enumerate(grid):
        for x, v in enumerate(row):
            if v is not None:
                draw.rectangle((x * zoom, y * zoom, x * zoom + zoom - 1, y * zoom + zoom - 1),
                               fill=VGA16[v])
    hx, hy = HOTSPOT
    draw.rectangle((hx * zoom + 4, hy * zoom + 4, hx * zoom + 7, hy * zoom + 7), fill=(255, 0, 0))
    cur.save(os.path.join(folder, "cursor.png"))


# ----------------------------------------------------------------------------
def write_file(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    parser = argparse.ArgumentParser(description="Draw Velmora's card, icon and cursor.")
    parser.add_argument("--preview", metavar="DIR", help="also write PNG previews into DIR")
    args = parser.parse_args(argv)
    os.makedirs(ASSETS, exist_ok=True)

    cards, reports = [], []
    for style in STYLES:
        card = draw_card(style=style)
        card_path = os.path.join(ASSETS, style.bmp)
        write_file(card_path, card_bmp_bytes(card))
        check_card_file(card_path, style)
        # one 3x canvas at a time: it is the script's largest picture by far
        band_paths = write_print_bands(draw_card(PRINT_SCALE, style), style)
        art, means, far, top = check_print_bands(band_paths, card_path, style)
        cards.append((style, card, art if args.preview else None))
        reports.append((style, card_path, band_paths, means, far, top))

    icons = [draw_icon_image(s) for s in ICON_SIZES]
    icon_path = os.path.join(ASSETS, "velmora.ico")
    write_file(icon_path, icon_bytes(icons))
    check_icon_file(icon_path)

    grid = hand_pixels()
    cursor_path = os.path.join(ASSETS, "hand.cur")
    write_file(cursor_path, cursor_bytes(grid))
    check_cursor_file(cursor_path)

    if args.preview:
        write_previews(args.preview, cards, icons, grid)
    for p in [r[1] for r in reports] + [icon_path, cursor_path]:
        print(f"{os.path.relpath(p, ROOT)}: {os.path.getsize(p)} bytes")
    for style, card_path, band_paths, means, far, top in reports:
        rc = os.path.join(PRINT_DIR, style.rc)
        total = sum(os.path.getsize(p) for p in band_paths + [rc])
        print(f"{os.path.relpath(PRINT_DIR, ROOT)}/: {len(band_paths)} {style.name} bands and {style.rc}, "
              f"{total} bytes")
        print(f"  scaled down by {PRINT_SCALE} against {style.bmp}: mean difference "
              + "/".join(f"{m:.2f}" for m in means)
              + f" (R/G/B), {far:.2%} of pixels off by more than {MATCH_FAR}, at most {top}")


if __name__ == "__main__":
    main(sys.argv[1:])

// Where the cards go on a printed page, from the printer's own figures. One card a page: at
// its nominal size, 30.5 x 13.9 cm (its 1199 x 548 pixels at 100 dpi), centred on the page;
// where that does not fit the printable area with 5 mm to spare on each side for the cut
// marks, as large as does, proportions kept. Two cards a page: the page cut in two halves
// across its height, a card centred in each half, as large as fits it with the same margins.
// No Windows headers.
#pragma once

#include <string>
#include <vector>

// A printer page in the printer's own units (device pixels).
struct PrinterPage {
    int dpi_x = 0, dpi_y = 0;                       // LOGPIXELSX, LOGPIXELSY
    int page_width = 0, page_height = 0;            // PHYSICALWIDTH, PHYSICALHEIGHT
    int offset_x = 0, offset_y = 0;                 // PHYSICALOFFSETX, PHYSICALOFFSETY: where printing can start
    int printable_width = 0, printable_height = 0;  // HORZRES, VERTRES
};

// A card's place, in device units from the printable area's top-left corner.
struct CardPlace {
    int left = 0, top = 0, width = 0, height = 0;
};

struct PrintLayout {
    bool fits = false;  // false: the page cannot hold the cards at any size worth printing
    std::vector<CardPlace> cards;  // top to bottom, all the same size
    bool nominal = false;          // at its nominal size
    double width_mm = 0, height_mm = 0;
    double mark_length = 0, mark_gap = 0, mark_thickness = 0;  // of the cut marks, device units along x
    double render_scale = 3;  // the scale to draw the card at before it goes to the printer
};

inline constexpr double kCardWidthMm = 1199 * 25.4 / 100;  // 304.5 mm
inline constexpr double kCardHeightMm = 548 * 25.4 / 100;  // 139.2 mm
inline constexpr double kMarginMm = 5;

PrintLayout lay_out_card(const PrinterPage& page, int cards_per_page = 1);

// A rectangle in device units from the printable area's top-left corner, right and bottom
// excluded.
struct DeviceRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The card's cut marks, to be filled in grey: at each of its four corners, thin lines that
// carry its edges outward, clear of the card. Printing and the PDF draw the same ones.
std::vector<DeviceRect> cut_marks(const PrintLayout& layout, const CardPlace& card);

// Said before printing cards that do not print at their nominal size: "停车牌将按 28.7 × 13.1
// 厘米打印 …", or for two a page "每页两张, 每张按 20.0 × 9.1 厘米打印 …".
std::wstring reduced_size_note(const PrintLayout& layout);

// Where the card goes on a printed page, from the printer's own figures: at its nominal size,
// 30.5 x 13.9 cm (its 1199 x 548 pixels at 100 dpi), centred on the page; where that does not
// fit the printable area with 5 mm to spare on each side for the cut marks, as large as does,
// proportions kept. No Windows headers.
#pragma once

#include <string>

// A printer page in the printer's own units (device pixels).
struct PrinterPage {
    int dpi_x = 0, dpi_y = 0;                       // LOGPIXELSX, LOGPIXELSY
    int page_width = 0, page_height = 0;            // PHYSICALWIDTH, PHYSICALHEIGHT
    int offset_x = 0, offset_y = 0;                 // PHYSICALOFFSETX, PHYSICALOFFSETY: where printing can start
    int printable_width = 0, printable_height = 0;  // HORZRES, VERTRES
};

struct PrintLayout {
    bool fits = false;  // false: the page cannot hold the card at any size worth printing
    // The card's place, in device units from the printable area's top-left corner.
    int left = 0, top = 0, width = 0, height = 0;
    bool nominal = false;  // at its nominal size
    double width_mm = 0, height_mm = 0;
    double mark_length = 0, mark_gap = 0, mark_thickness = 0;  // of the cut marks, device units along x
    double render_scale = 3;  // the scale to draw the card at before it goes to the printer
};

inline constexpr double kCardWidthMm = 1199 * 25.4 / 100;  // 304.5 mm
inline constexpr double kCardHeightMm = 548 * 25.4 / 100;  // 139.2 mm
inline constexpr double kMarginMm = 5;

PrintLayout lay_out_card(const PrinterPage& page);

// "停车牌将按 28.7 × 13.1 厘米打印 …" for a card that does not print at its nominal size.
std::wstring reduced_size_note(const PrintLayout& layout);

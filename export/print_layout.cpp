#include "export/print_layout.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kMarkGapMm = 1, kMarkLengthMm = 4, kMarkThicknessMm = 0.2;  // inside the 5 mm margin
constexpr double kPrintQualityDpi = 300;

double device(double mm, int dpi) { return mm * dpi / kMmPerInch; }

std::wstring centimetres(double mm) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%.1f", mm / 10);
    return text;
}

// Centred on [centre - size / 2, centre + size / 2] of the sheet, then kept inside the
// printable area's [margin, printable - margin], in printable-area units.
double place(double centre, double size, double offset, double margin, double printable) {
    return std::clamp(centre - size / 2 - offset, margin, std::max(margin, printable - margin - size));
}

}  // namespace

PrintLayout lay_out_card(const PrinterPage& page, int cards_per_page) {
    PrintLayout layout;
    if (page.dpi_x <= 0 || page.dpi_y <= 0 || page.printable_width <= 0 || page.printable_height <= 0) return layout;
    if (cards_per_page < 1) return layout;
    const double nominal_width = device(kCardWidthMm, page.dpi_x), nominal_height = device(kCardHeightMm, page.dpi_y);
    const double margin_x = device(kMarginMm, page.dpi_x), margin_y = device(kMarginMm, page.dpi_y);
    // Each card has a share of the page's height, and its margins all round within it.
    const double share = static_cast<double>(page.printable_height) / cards_per_page;
    const double room_width = page.printable_width - 2 * margin_x, room_height = share - 2 * margin_y;
    if (room_width <= 0 || room_height <= 0) return layout;

    const double shrink = std::min({1.0, room_width / nominal_width, room_height / nominal_height});
    layout.fits = true;
    layout.nominal = shrink == 1.0;
    const int width = static_cast<int>(std::lround(nominal_width * shrink));
    const int height = static_cast<int>(std::lround(nominal_height * shrink));
    layout.width_mm = kCardWidthMm * shrink;
    layout.height_mm = kCardHeightMm * shrink;

    const int left = static_cast<int>(std::lround(place(page.page_width / 2.0, width, page.offset_x, margin_x, page.printable_width)));
    const double sheet_share = static_cast<double>(page.page_height) / cards_per_page;
    for (int k = 0; k < cards_per_page; ++k) {
        // Within its own share of the printable area, centred on its share of the sheet.
        const double share_top = k * share;
        const double top = share_top + place((k + 0.5) * sheet_share - share_top, height, page.offset_y, margin_y, share);
        layout.cards.push_back({left, static_cast<int>(std::lround(top)), width, height});
    }

    layout.mark_gap = device(kMarkGapMm, page.dpi_x);
    layout.mark_length = device(kMarkLengthMm, page.dpi_x);
    layout.mark_thickness = std::max(1.0, device(kMarkThicknessMm, page.dpi_x));
    // The print-quality picture, or the printer's own resolution where that is lower.
    layout.render_scale = std::min(page.dpi_x, page.dpi_y) >= kPrintQualityDpi ? 3.0 : std::min(page.dpi_x, page.dpi_y) / 100.0;
    return layout;
}

std::vector<DeviceRect> cut_marks(const PrintLayout& layout, const CardPlace& card) {
    const int gap = static_cast<int>(std::lround(layout.mark_gap));
    const int length = static_cast<int>(std::lround(layout.mark_length));
    const int thickness = static_cast<int>(std::lround(layout.mark_thickness));
    const int left = card.left, top = card.top, right = card.left + card.width, bottom = card.top + card.height;
    std::vector<DeviceRect> marks;
    for (const int x : {left, right - thickness})  // the upright edges carried up and down
        for (const int y : {top - gap - length, bottom + gap}) marks.push_back({x, y, x + thickness, y + length});
    for (const int y : {top, bottom - thickness})  // the level edges carried left and right
        for (const int x : {left - gap - length, right + gap}) marks.push_back({x, y, x + length, y + thickness});
    return marks;
}

std::wstring reduced_size_note(const PrintLayout& layout) {
    const std::wstring size = centimetres(layout.width_mm) + L" × " + centimetres(layout.height_mm) + L" 厘米";
    const std::wstring margins = L" (四边各留 5 毫米裁切线)。";
    if (layout.cards.size() == 2) return L"每页两张, 每张按 " + size + L"打印" + margins;
    return L"停车牌将按 " + size + L"打印。\r\n所选纸张放不下原尺寸 " + centimetres(kCardWidthMm) + L" × " +
           centimetres(kCardHeightMm) + L" 厘米" + margins;
}

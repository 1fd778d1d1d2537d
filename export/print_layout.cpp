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

}  // namespace

PrintLayout lay_out_card(const PrinterPage& page) {
    PrintLayout layout;
    if (page.dpi_x <= 0 || page.dpi_y <= 0 || page.printable_width <= 0 || page.printable_height <= 0) return layout;
    const double nominal_width = device(kCardWidthMm, page.dpi_x), nominal_height = device(kCardHeightMm, page.dpi_y);
    const double room_width = page.printable_width - 2 * device(kMarginMm, page.dpi_x);
    const double room_height = page.printable_height - 2 * device(kMarginMm, page.dpi_y);
    if (room_width <= 0 || room_height <= 0) return layout;

    const double shrink = std::min({1.0, room_width / nominal_width, room_height / nominal_height});
    layout.fits = true;
    layout.nominal = shrink == 1.0;
    layout.width = static_cast<int>(std::lround(nominal_width * shrink));
    layout.height = static_cast<int>(std::lround(nominal_height * shrink));
    layout.width_mm = kCardWidthMm * shrink;
    layout.height_mm = kCardHeightMm * shrink;

    // Centred on the sheet, then kept inside the printable area with its margin.
    const double margin_x = device(kMarginMm, page.dpi_x), margin_y = device(kMarginMm, page.dpi_y);
    const double centred_left = (page.page_width - layout.width) / 2.0 - page.offset_x;
    const double centred_top = (page.page_height - layout.height) / 2.0 - page.offset_y;
    layout.left = static_cast<int>(std::lround(
        std::clamp(centred_left, margin_x, std::max(margin_x, page.printable_width - margin_x - layout.width))));
    layout.top = static_cast<int>(std::lround(
        std::clamp(centred_top, margin_y, std::max(margin_y, page.printable_height - margin_y - layout.height))));

    layout.mark_gap = device(kMarkGapMm, page.dpi_x);
    layout.mark_length = device(kMarkLengthMm, page.dpi_x);
    layout.mark_thickness = std::max(1.0, device(kMarkThicknessMm, page.dpi_x));
    // The print-quality picture, or the printer's own resolution where that is lower.
    layout.render_scale = std::min(page.dpi_x, page.dpi_y) >= kPrintQualityDpi ? 3.0 : std::min(page.dpi_x, page.dpi_y) / 100.0;
    return layout;
}

std::wstring reduced_size_note(const PrintLayout& layout) {
    return L"停车牌将按 " + centimetres(layout.width_mm) + L" × " + centimetres(layout.height_mm) +
           L" 厘米打印。\r\n所选纸张放不下原尺寸 " + centimetres(kCardWidthMm) + L" × " + centimetres(kCardHeightMm) +
           L" 厘米 (四边各留 5 毫米裁切线)。";
}

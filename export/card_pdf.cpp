#include "export/card_pdf.h"

#include <cmath>

#include "export/print_layout.h"

namespace {

// Laid out on a page of this resolution, the cards and marks land on hundredths of a point:
// rounding to device units costs no precision worth a reader's notice.
constexpr int kFineDpi = 7200;
constexpr double kPointsPerUnit = 72.0 / kFineDpi;
constexpr double kA4LongMm = 297, kA4ShortMm = 210;

int fine_units(double mm) { return static_cast<int>(std::lround(mm / 25.4 * kFineDpi)); }

// A sheet of A4 as a printer without any unprintable edge would describe it.
PrinterPage a4(bool landscape) {
    const int long_side = fine_units(kA4LongMm), short_side = fine_units(kA4ShortMm);
    const int width = landscape ? long_side : short_side, height = landscape ? short_side : long_side;
    return {kFineDpi, kFineDpi, width, height, 0, 0, width, height};
}

// Device units count down from the top; PDF's points count up from the bottom.
picture::PdfBox in_points(const DeviceRect& r, int page_height) {
    return {r.left * kPointsPerUnit, (page_height - r.bottom) * kPointsPerUnit,
            (r.right - r.left) * kPointsPerUnit, (r.bottom - r.top) * kPointsPerUnit};
}

picture::PdfPage a4_page(bool landscape, int cards) {
    const PrinterPage sheet = a4(landscape);
    const PrintLayout layout = lay_out_card(sheet, cards);
    picture::PdfPage page;
    page.width = sheet.page_width * kPointsPerUnit;
    page.height = sheet.page_height * kPointsPerUnit;
    for (const CardPlace& card : layout.cards) {
        page.pictures.push_back(
            in_points({card.left, card.top, card.left + card.width, card.top + card.height}, sheet.page_height));
        for (const DeviceRect& mark : cut_marks(layout, card))
            page.marks.push_back(in_points(mark, sheet.page_height));
    }
    return page;
}

}  // namespace

picture::PdfPage card_pdf_page(PdfPaper paper) {
    switch (paper) {
        case PdfPaper::A4: return a4_page(/*landscape=*/true, 1);
        case PdfPaper::A4TwoCards: return a4_page(/*landscape=*/false, 2);
        case PdfPaper::Card: break;
    }
    // 1199 x 548 pixels at 100 dpi: 863.28 x 394.56 points, written a ten-thousandth of a point
    // under. Readers that round a page up to whole pixels would otherwise, through their own
    // arithmetic's error (863.28 * 300 / 72 comes out a hair above 3597), add a column of paper
    // and stretch the card over it at exactly the resolution it was drawn for.
    constexpr double kUnderAHair = 0.0001;
    picture::PdfPage page;
    page.width = kCardWidthMm / 25.4 * 72 - kUnderAHair;
    page.height = kCardHeightMm / 25.4 * 72 - kUnderAHair;
    page.pictures.push_back({0, 0, page.width, page.height});
    return page;
}

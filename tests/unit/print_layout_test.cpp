#include "export/print_layout.h"

#include <gtest/gtest.h>

namespace {

PrinterPage page(int dpi_x, int dpi_y, int width, int height, int offset_x = 0, int offset_y = 0, int printable_width = -1,
                 int printable_height = -1) {
    return {dpi_x,    dpi_y,    width, height, offset_x, offset_y, printable_width < 0 ? width - 2 * offset_x : printable_width,
            printable_height < 0 ? height - 2 * offset_y : printable_height};
}

TEST(PrintLayout, TheCardAtItsNominalSizeOrAsLargeAsFits) {
    const struct {
        const char* what;
        PrinterPage page;
        bool nominal;
        double width_mm, height_mm;
        double render_scale;
    } cases[] = {
        // A4 landscape at 300 dpi, no unprintable edge: 297 mm less 2 x 5 mm.
        {"A4 landscape", page(300, 300, 3508, 2479), false, 287.0, 131.2, 3.0},
        {"A3 landscape", page(300, 300, 4961, 3508), true, 304.5, 139.2, 3.0},
        {"A4 portrait", page(300, 300, 2479, 3508), false, 199.9, 91.4, 3.0},
        {"A3 landscape, 600 dpi, 4 mm unprintable", page(600, 600, 9921, 7016, 94, 94), true, 304.5, 139.2, 3.0},
        {"letter landscape, 150 dpi", page(150, 150, 1650, 1275), false, 269.4, 123.2, 1.5},
        {"A4 landscape, 360 x 180 dpi", page(360, 180, 4209, 1488), false, 287.0, 131.2, 1.8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PrintLayout layout = lay_out_card(c.page);
        ASSERT_TRUE(layout.fits);
        EXPECT_EQ(layout.nominal, c.nominal);
        EXPECT_NEAR(layout.width_mm, c.width_mm, 0.1);
        EXPECT_NEAR(layout.height_mm, c.height_mm, 0.1);
        EXPECT_NEAR(layout.width_mm / layout.height_mm, 1199.0 / 548.0, 1e-9) << "proportions kept";
        EXPECT_NEAR(layout.width, layout.width_mm / 25.4 * c.page.dpi_x, 1.0) << "device units from the printer's dpi";
        EXPECT_NEAR(layout.height, layout.height_mm / 25.4 * c.page.dpi_y, 1.0);
        EXPECT_EQ(layout.render_scale, c.render_scale);
        // Centred on the sheet, and the cut marks' 5 mm inside the printable area.
        const double page_left = layout.left + c.page.offset_x, page_top = layout.top + c.page.offset_y;
        EXPECT_NEAR(page_left + layout.width / 2.0, c.page.page_width / 2.0, 1.0);
        EXPECT_NEAR(page_top + layout.height / 2.0, c.page.page_height / 2.0, 1.0);
        const double margin_x = 5 / 25.4 * c.page.dpi_x, margin_y = 5 / 25.4 * c.page.dpi_y;
        EXPECT_GE(layout.left, margin_x - 1);
        EXPECT_GE(layout.top, margin_y - 1);
        EXPECT_LE(layout.left + layout.width, c.page.printable_width - margin_x + 1);
        EXPECT_LE(layout.top + layout.height, c.page.printable_height - margin_y + 1);
        EXPECT_LE(layout.mark_gap + layout.mark_length, margin_x + 1e-6) << "the marks stay in the margin";
    }
}

TEST(PrintLayout, AnUnprintableOffsetMovesTheCardIntoThePrintableArea) {
    // The printable area starts 20 mm in from the left: centred on the sheet, the card lies
    // 20 mm further left in the printable area's coordinates.
    const PrintLayout layout = lay_out_card(page(300, 300, 4961, 3508, 236, 0, 4961 - 236, 3508));
    EXPECT_TRUE(layout.nominal);
    EXPECT_NEAR(layout.left + 236 + layout.width / 2.0, 4961 / 2.0, 1.0);
}

TEST(PrintLayout, APageTooSmallHoldsNoCard) {
    EXPECT_FALSE(lay_out_card(page(300, 300, 100, 100)).fits);
    EXPECT_FALSE(lay_out_card(page(0, 0, 0, 0)).fits);
}

TEST(PrintLayout, TheNoteGivesTheSizeInCentimetres) {
    EXPECT_EQ(reduced_size_note(lay_out_card(page(300, 300, 3508, 2479))),
              L"停车牌将按 28.7 × 13.1 厘米打印。\r\n所选纸张放不下原尺寸 30.5 × 13.9 厘米 (四边各留 5 毫米裁切线)。");
}

}  // namespace

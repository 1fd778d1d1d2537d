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
        ASSERT_EQ(layout.cards.size(), 1u);
        const CardPlace card = layout.cards[0];
        EXPECT_NEAR(card.width, layout.width_mm / 25.4 * c.page.dpi_x, 1.0) << "device units from the printer's dpi";
        EXPECT_NEAR(card.height, layout.height_mm / 25.4 * c.page.dpi_y, 1.0);
        EXPECT_EQ(layout.render_scale, c.render_scale);
        // Centred on the sheet, and the cut marks' 5 mm inside the printable area.
        const double page_left = card.left + c.page.offset_x, page_top = card.top + c.page.offset_y;
        EXPECT_NEAR(page_left + card.width / 2.0, c.page.page_width / 2.0, 1.0);
        EXPECT_NEAR(page_top + card.height / 2.0, c.page.page_height / 2.0, 1.0);
        const double margin_x = 5 / 25.4 * c.page.dpi_x, margin_y = 5 / 25.4 * c.page.dpi_y;
        EXPECT_GE(card.left, margin_x - 1);
        EXPECT_GE(card.top, margin_y - 1);
        EXPECT_LE(card.left + card.width, c.page.printable_width - margin_x + 1);
        EXPECT_LE(card.top + card.height, c.page.printable_height - margin_y + 1);
        EXPECT_LE(layout.mark_gap + layout.mark_length, margin_x + 1e-6) << "the marks stay in the margin";
    }
}

TEST(PrintLayout, AnUnprintableOffsetMovesTheCardIntoThePrintableArea) {
    // The printable area starts 20 mm in from the left: centred on the sheet, the card lies
    // 20 mm further left in the printable area's coordinates.
    const PrintLayout layout = lay_out_card(page(300, 300, 4961, 3508, 236, 0, 4961 - 236, 3508));
    EXPECT_TRUE(layout.nominal);
    EXPECT_NEAR(layout.cards.at(0).left + 236 + layout.cards.at(0).width / 2.0, 4961 / 2.0, 1.0);
}

TEST(PrintLayout, TwoCardsAPageEachCentredInItsHalf) {
    const struct {
        const char* what;
        PrinterPage page;
        double width_mm, height_mm;
    } cases[] = {
        {"A4 portrait, 300 dpi", page(300, 300, 2480, 3508), 200.0, 91.4},
        {"A4 portrait, 600 dpi, 4 mm unprintable", page(600, 600, 4961, 7016, 94, 94), 192.1, 87.8},
        {"A4 landscape: each half's height decides", page(300, 300, 3508, 2480), 207.8, 95.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PrintLayout layout = lay_out_card(c.page, 2);
        ASSERT_TRUE(layout.fits);
        ASSERT_EQ(layout.cards.size(), 2u);
        EXPECT_FALSE(layout.nominal);
        EXPECT_NEAR(layout.width_mm, c.width_mm, 0.1);
        EXPECT_NEAR(layout.height_mm, c.height_mm, 0.1);
        const CardPlace upper = layout.cards[0], lower = layout.cards[1];
        EXPECT_EQ(upper.left, lower.left);
        EXPECT_EQ(upper.width, lower.width);
        EXPECT_EQ(upper.height, lower.height);
        // Each centred on its half of the sheet, with its marks' margin inside that half.
        const double half = c.page.page_height / 2.0, margin_y = 5 / 25.4 * c.page.dpi_y;
        EXPECT_NEAR(upper.top + c.page.offset_y + upper.height / 2.0, half / 2, 1.0);
        EXPECT_NEAR(lower.top + c.page.offset_y + lower.height / 2.0, half * 1.5, 1.0);
        EXPECT_GE(lower.top - (upper.top + upper.height), 2 * margin_y - 1) << "the marks of both cards fit between them";
        EXPECT_LE(lower.top + lower.height, c.page.printable_height - margin_y + 1);
    }
}

// At each corner two lines carry the card's edges outward: flush with an edge, a gap away from
// the card, in the margin, never over the card or the other card's marks.
TEST(PrintLayout, CutMarksCarryTheEdgesOutwardClearOfTheCard) {
    for (const int cards : {1, 2}) {
        SCOPED_TRACE(cards);
        const int width = cards == 1 ? 7016 : 4961, height = cards == 1 ? 4961 : 7016;  // A3 at 600 dpi
        const PrintLayout layout = lay_out_card(page(600, 600, width, height), cards);
        const int gap = 24, length = 94, thickness = 5;  // 1 mm, 4 mm, 0.2 mm at 600 dpi
        std::vector<DeviceRect> all;
        for (const CardPlace& card : layout.cards) {
            const int left = card.left, top = card.top;
            const int right = card.left + card.width, bottom = card.top + card.height;
            const std::vector<DeviceRect> marks = cut_marks(layout, card);
            const std::vector<DeviceRect> expected = {
                {left, top - gap - length, left + thickness, top - gap},          // up from the left edge
                {left, bottom + gap, left + thickness, bottom + gap + length},    // down from it
                {right - thickness, top - gap - length, right, top - gap},        // up from the right edge
                {right - thickness, bottom + gap, right, bottom + gap + length},  // down from it
                {left - gap - length, top, left - gap, top + thickness},          // left along the top
                {right + gap, top, right + gap + length, top + thickness},        // right along it
                {left - gap - length, bottom - thickness, left - gap, bottom},    // left along the bottom
                {right + gap, bottom - thickness, right + gap + length, bottom},  // right along it
            };
            ASSERT_EQ(marks.size(), expected.size());
            for (std::size_t k = 0; k < marks.size(); ++k) {
                SCOPED_TRACE(k);
                EXPECT_EQ(marks[k].left, expected[k].left);
                EXPECT_EQ(marks[k].top, expected[k].top);
                EXPECT_EQ(marks[k].right, expected[k].right);
                EXPECT_EQ(marks[k].bottom, expected[k].bottom);
                EXPECT_GE(marks[k].left, 0);
                EXPECT_GE(marks[k].top, 0);
            }
            all.insert(all.end(), marks.begin(), marks.end());
        }
        for (const DeviceRect& mark : all)
            for (const CardPlace& card : layout.cards)
                EXPECT_TRUE(mark.right <= card.left || mark.left >= card.left + card.width ||
                            mark.bottom <= card.top || mark.top >= card.top + card.height)
                    << "a mark over a card";
    }
}

TEST(PrintLayout, APageTooSmallHoldsNoCard) {
    EXPECT_FALSE(lay_out_card(page(300, 300, 100, 100)).fits);
    EXPECT_FALSE(lay_out_card(page(0, 0, 0, 0)).fits);
    EXPECT_FALSE(lay_out_card(page(300, 300, 2480, 200), 2).fits) << "halves too short for their margins";
}

TEST(PrintLayout, TheNoteGivesTheSizeInCentimetres) {
    EXPECT_EQ(reduced_size_note(lay_out_card(page(300, 300, 3508, 2479))),
              L"停车牌将按 28.7 × 13.1 厘米打印。\r\n所选纸张放不下原尺寸 30.5 × 13.9 厘米 (四边各留 5 毫米裁切线)。");
    EXPECT_EQ(reduced_size_note(lay_out_card(page(300, 300, 2480, 3508), 2)),
              L"每页两张, 每张按 20.0 × 9.1 厘米打印 (四边各留 5 毫米裁切线)。");
}

}  // namespace

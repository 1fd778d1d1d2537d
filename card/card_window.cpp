#include "card/card_window.h"

#include "assets/resource.h"
#include "card/card_layout.h"
#include "desktop/application.h"
#include "desktop/message_box.h"
#include "os/failure.h"
#include "os/twips.h"

namespace {

static_assert(card_layout::kSlotLefts.size() == kSlotCount, "one slot per box");

desktop::FormDesign card_design() {
    desktop::FormDesign design;
    design.class_name = L"Velmora.Card";
    design.title = L"Velmora";
    design.border = desktop::Border::None;
    design.left = 0;
    design.top = 0;
    design.client_width = card_layout::kWindowWidth;
    design.client_height = card_layout::kWindowHeight;
    design.icon_resource = IDI_VELMORA;
    design.takes_activation = false;
    return design;
}

const wchar_t kUsageNotice[] = L"保存图片时,主窗体上面不允许有任何软件的遮挡。\r\n否则无法保存成完整的图片!";

}  // namespace

CardWindow::CardWindow(CardWiring wiring, CardStyle style)
    : desktop::Form(card_design()),
      watchdog(1, [this] { on_watchdog_tick(); }, desktop::Ticking::WhileWindowsChange),
      wiring_(std::move(wiring)),
      picture_(1.0, {}, {}, CardPicture::Painted::Once, style),
      hand_cursor_(desktop::Cursor::from_resource(IDC_HAND_POINTER)),
      artwork_width_(card_layout::kArtworkExtentWidth),
      artwork_height_(card_layout::kArtworkExtentHeight) {
    picture_.set_artwork_extent(artwork_width_, artwork_height_);
}

void CardWindow::show_number(std::wstring_view number) {
    number_ = number;
    const auto changed = picture_.show_number(number);
    for (int k = 1; k <= static_cast<int>(kSlotCount); ++k)
        if (changed[k - 1]) repaint(slot_bounds(k));  // only the slots that changed are drawn again
    // The card is what the user watches while typing: it shows the digit before the number box
    // has drawn its own text, not after.
    paint_now();
}

void CardWindow::show_code(std::string code) {
    if (picture_.show_code(std::move(code))) repaint(picture_.parking_mark());
}

void CardWindow::show_style(CardStyle style) {
    if (style == picture_.style()) return;
    redraw(picture_.scale(), style);
    repaint();
}

// The card drawn afresh for the new resolution: the artwork from the print-quality picture,
// the digits in a font of the new size.
void CardWindow::on_dpi_changed() { redraw(dpi() / static_cast<double>(os::kPixelsPerInch), picture_.style()); }

void CardWindow::redraw(double scale, CardStyle style) {
    picture_ = CardPicture(scale, number_, picture_.code(), CardPicture::Painted::Repeatedly, style);
    picture_.set_artwork_extent(artwork_width_, artwork_height_);
}

void CardWindow::on_load() {
    if (wiring_.another_copy_runs()) {  // a second copy ends silently, showing nothing
        desktop::end();
        return;
    }
    // Should the card not be drawn for this resolution, that is said, and the card shows as
    // drawn at 96 dpi: start-up goes on, the panel comes.
    if (dpi() != os::kPixelsPerInch) os::at_boundary("dpi", [this] { on_dpi_changed(); });
    show();
    set_left(0);
    set_top(0);
    desktop::message_box(kUsageNotice, desktop::kInformationIcon, L"使用前提示");
    watchdog.set_enabled(true);
    wiring_.hand_cursor_to_panel(hand_cursor_);  // this first reference loads the panel, hidden
}

void CardWindow::on_unload() {
    watchdog.set_enabled(false);  // the watchdog goes with the card
    wiring_.closed();
}

void CardWindow::set_artwork_extent(int width, int height) {
    artwork_width_ = width;
    artwork_height_ = height;
    picture_.set_artwork_extent(width, height);
    repaint();
}

void CardWindow::paint(os::Painter& painter) { picture_.paint(painter); }

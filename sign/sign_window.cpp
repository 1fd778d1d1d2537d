#include "sign/sign_window.h"

#include "assets/resource.h"
#include "desktop/services.h"
#include "desktop/twips.h"
#include "sign/card_layout.h"

namespace {

static_assert(card_layout::kSlotLefts.size() == kSlotCount, "one slot per box");

desktop::FormDesign sign_design() {
    desktop::FormDesign design;
    design.class_name = L"Velmora.Sign";
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

const desktop::FontSpec kSlotFont{L"宋体", card_layout::kSlotFontPoints};

const wchar_t kUsageNotice[] = L"保存图片时,主窗体上面不允许有任何软件的遮挡。\r\n否则无法保存成完整的图片!";

}  // namespace

SignWindow::SignWindow(CardWiring wiring)
    : desktop::Form(sign_design()),
      watchdog(1, [this] { on_watchdog_tick(); }, desktop::Ticking::WhileWindowsChange),
      wiring_(std::move(wiring)),
      artwork_(desktop::Picture::from_resource(IDB_CARD)),
      hand_cursor_(desktop::Cursor::from_resource(IDC_HAND_POINTER)),
      artwork_width_(card_layout::kArtworkExtentWidth),
      artwork_height_(card_layout::kArtworkExtentHeight),
      captions_(slot_captions(L"")) {}

void SignWindow::show_number(std::wstring_view number) {
    const SlotCaptions captions = slot_captions(number);
    for (int k = 1; k <= static_cast<int>(kSlotCount); ++k) {
        if (captions[k - 1] == captions_[k - 1]) continue;
        captions_[k - 1] = captions[k - 1];
        repaint(slot_bounds(k));  // only the slots that changed are drawn again
    }
}

desktop::PixelRect SignWindow::slot_bounds(int k) const {
    using desktop::to_pixels;
    const int left = card_layout::kSlotLefts[k - 1], top = card_layout::kSlotTop;
    return {to_pixels(left), to_pixels(top), to_pixels(left + card_layout::kSlotWidth),
            to_pixels(top + card_layout::kSlotHeight)};
}

void SignWindow::on_load() {
    if (desktop::previous_instance()) {  // a second copy ends silently, showing nothing
        desktop::end();
        return;
    }
    show();
    set_left(0);
    set_top(0);
    desktop::message_box(kUsageNotice, desktop::kInformationIcon, L"使用前提示");
    watchdog.set_enabled(true);
    wiring_.hand_cursor_to_panel(hand_cursor_);  // this first reference loads the panel, hidden
}

void SignWindow::on_unload() {
    watchdog.set_enabled(false);  // the watchdog goes with the card
    wiring_.closed();
}

void SignWindow::set_artwork_extent(int width, int height) {
    artwork_width_ = width;
    artwork_height_ = height;
    repaint();
}

void SignWindow::paint(desktop::Painter& painter) {
    desktop::Form::paint(painter);
    painter.draw_picture(artwork_, {0, 0, desktop::to_pixels(artwork_width_), desktop::to_pixels(artwork_height_)});
    const HFONT slot_font = font(kSlotFont);
    const desktop::Colour ink = desktop::default_text_colour();
    for (int k = 1; k <= static_cast<int>(kSlotCount); ++k)
        painter.draw_text(slot_bounds(k), captions_[k - 1], slot_font, ink, /*centred=*/true);
}

// The watchdog: at every tick it puts both windows back into the shape the program expects
// and brings the control panel back when it is gone, except while a save is pending.
// It ticks as often as the platform's timer allows, so each step only acts on a difference;
// and since every difference it acts on comes from a change to a window or to a timer, it
// rests between such changes instead of waking the program a hundred times a second.
#include "card/card_layout.h"
#include "card/card_window.h"
#include "desktop/modal.h"

namespace {

constexpr int kPanelWidth = 4305;  // twips, outer size
constexpr int kPanelHeight = 2730;
static_assert(card_layout::on_pixel_grid(kPanelWidth) && card_layout::on_pixel_grid(kPanelHeight));

void keep_in_shape(desktop::Form& window, int width, int height) {
    using desktop::WindowState;
    if (window.state() == WindowState::Minimised) window.set_state(WindowState::Normal);
    if (window.state() == WindowState::Maximised) window.set_state(WindowState::Normal);
    if (window.state() != WindowState::Normal || window.has_size(width, height)) return;
    window.set_size(width, height);
}

}  // namespace

void CardWindow::on_watchdog_tick() {
    if (artwork_height_ != height() || artwork_width_ != width()) set_artwork_extent(width(), height());

    // A panel brought back while a message or dialog is open would take input it forbids, and
    // stand over it; it comes back once that is answered.
    if (!wiring_.save_pending() && !desktop::Modal::open() && !wiring_.panel().visible()) wiring_.panel().show();

    keep_in_shape(*this, card_layout::kWindowWidth, card_layout::kWindowHeight);
    keep_in_shape(wiring_.panel(), kPanelWidth, kPanelHeight);
}

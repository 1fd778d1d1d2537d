// The watchdog: at every tick of Timer1 it puts both windows back into the shape the program
// expects and brings the control panel back when it is gone, except while a save runs.
// It ticks as often as the platform's timer allows, so each step only acts on a difference;
// and since every difference it acts on comes from a change to a window or to Timer2, it
// rests between such changes instead of waking the program a hundred times a second.
#include "panel/control_panel.h"
#include "sign/sign_window.h"

namespace {

constexpr int kPanelWidth = 4305;  // twips, outer size
constexpr int kPanelHeight = 2730;

void keep_in_shape(desktop::Form& window, int height, int width) {
    using desktop::WindowState;
    if (window.state() == WindowState::Minimised) window.set_state(WindowState::Normal);
    if (window.state() == WindowState::Maximised) window.set_state(WindowState::Normal);
    if (window.state() != WindowState::Normal) return;
    if (window.height() != height) window.set_height(height);
    if (window.width() != width) window.set_width(width);
}

}  // namespace

void SignWindow::Timer1_Timer() {
    if (Image1.height() != height()) Image1.set_height(height());
    if (Image1.width() != width()) Image1.set_width(width());

    // While Timer2 runs a save, the panel stays hidden.
    if (!Timer2.enabled() && !Form2().visible()) Form2().show();

    keep_in_shape(*this, kHeight, kWidth);
    keep_in_shape(Form2(), kPanelHeight, kPanelWidth);
}

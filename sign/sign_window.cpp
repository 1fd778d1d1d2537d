#include "sign/sign_window.h"

#include "assets/resource.h"
#include "desktop/services.h"
#include "desktop/twips.h"
#include "panel/control_panel.h"

namespace {

desktop::FormDesign sign_design() {
    desktop::FormDesign design;
    design.class_name = L"Velmora.Sign";
    design.title = L"Velmora";
    design.border = desktop::Border::None;
    design.left = 0;
    design.top = 0;
    design.client_width = SignWindow::kWidth;
    design.client_height = SignWindow::kHeight;
    design.icon_resource = IDI_VELMORA;
    return design;
}

constexpr int kSlotTop = 4920, kSlotWidth = 915, kSlotHeight = 1800;  // twips
const desktop::FontSpec kSlotFont{L"宋体", 90};

const wchar_t kUsageNotice[] =
    L"保存图片时,主窗体上面不允许有任何软件的遮挡。\r\n否则无法保存成完整的图片!";

}  // namespace

CardImage::CardImage(desktop::Form& owner, int width, int height)
    : owner_(owner), picture_(desktop::Picture::from_resource(IDB_CARD)), width_(width), height_(height) {}

void CardImage::set_width(int twips) {
    width_ = twips;
    owner_.repaint();
}

void CardImage::set_height(int twips) {
    height_ = twips;
    owner_.repaint();
}

void CardImage::paint(desktop::Painter& painter) const {
    painter.draw_picture(picture_, {0, 0, desktop::to_pixels(width_), desktop::to_pixels(height_)});
}

DigitSlot::DigitSlot(desktop::Form& owner, int left)
    : desktop::Label(owner, L"*", left, kSlotTop, kSlotWidth, kSlotHeight, kSlotFont, Align::Centre) {}

SignWindow::SignWindow()
    : desktop::Form(sign_design()),
      Timer2(*this, 300, [this] { Timer2_Timer(); }),
      Timer1(*this, 1, [this] { Timer1_Timer(); }, desktop::Ticking::WhileWindowsChange),
      zz_ICON(*this, L"*ico*", 0, 0, 465, 180, {}, desktop::Label::Align::Left, /*visible=*/false),
      sz11(*this, 16280),
      sz10(*this, 15140),
      sz9(*this, 14020),
      sz8(*this, 12880),
      sz7(*this, 11760),
      sz6(*this, 10650),
      sz5(*this, 9520),
      sz4(*this, 8400),
      sz3(*this, 7280),
      sz2(*this, 6150),
      sz1(*this, 5020),
      Image1(*this, 18000, 8250),
      slots_{&sz1, &sz2, &sz3, &sz4, &sz5, &sz6, &sz7, &sz8, &sz9, &sz10, &sz11} {
    zz_ICON.set_mouse_icon(desktop::Cursor::from_resource(IDC_HAND_POINTER));
}

void SignWindow::paint_background(desktop::Painter& painter) {
    desktop::Form::paint_background(painter);
    Image1.paint(painter);
}

void SignWindow::Form_Load() {
    if (desktop::previous_instance()) {  // a second copy ends silently, showing nothing
        desktop::end();
        return;
    }
    show();
    set_left(0);
    set_top(0);
    desktop::message_box(kUsageNotice, desktop::kInformationIcon, L"使用前提示");
    Timer1.set_enabled(true);

    // The first reference to the control panel loads it (hidden); the watchdog shows it.
    Form2().Command1.set_mouse_icon(zz_ICON.mouse_icon());
    Form2().Command2.set_mouse_icon(zz_ICON.mouse_icon());
    Form2().Command3.set_mouse_icon(zz_ICON.mouse_icon());
    Form2().Option1.set_mouse_icon(zz_ICON.mouse_icon());
    Form2().Option2.set_mouse_icon(zz_ICON.mouse_icon());
    Form2().Check1.set_mouse_icon(zz_ICON.mouse_icon());
}

desktop::FormSlot<SignWindow>& sign_window_slot() {
    static desktop::FormSlot<SignWindow> slot;
    return slot;
}

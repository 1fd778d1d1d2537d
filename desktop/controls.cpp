#include "desktop/controls.h"

#include <commctrl.h>


#include "os/clipboard.h"
#include "os/failure.h"
#include "os/handles.h"
#include "os/painting.h"
#include "os/trace.h"
#include "os/twips.h"

namespace desktop {
namespace {

struct WindowClassAndStyle {
    const wchar_t* class_name;
    DWORD style;
    DWORD extended_style;
};

WindowClassAndStyle class_and_style(ControlKind kind, const ControlDesign& design) {
    switch (kind) {
        case ControlKind::TextBox:
            return {L"EDIT", WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
        case ControlKind::Button:
            // A button with its own back colour draws itself; the plain push button cannot.
            return {L"BUTTON",
                    static_cast<DWORD>(WS_TABSTOP | WS_GROUP | (design.back_colour ? BS_OWNERDRAW : BS_PUSHBUTTON)),
                    0};
        case ControlKind::OptionButton: return {L"BUTTON", WS_TABSTOP | BS_AUTORADIOBUTTON, 0};
        case ControlKind::CheckBox: return {L"BUTTON", WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, 0};
        case ControlKind::StaticText: return {L"STATIC", WS_GROUP | SS_LEFT | SS_NOPREFIX, 0};
    }
    return {L"STATIC", 0, 0};
}

}  // namespace

Cursor Cursor::from_resource(int resource) {
    return Cursor(static_cast<HCURSOR>(LoadImageW(GetModuleHandleW(nullptr),
                                                  MAKEINTRESOURCEW(resource), IMAGE_CURSOR, 0, 0,
                                                  LR_DEFAULTSIZE | LR_SHARED)));
}

Control::Control(ControlHost& owner, ControlKind kind, ControlDesign design)
    : owner_(owner), kind_(kind), design_(std::move(design)) {
    owner_.adopt(this);
}

void Control::create(int id) {
    const auto [class_name, style, extended_style] = class_and_style(kind_, design_);
    const int dpi = owner_.dpi();
    window_ = CreateWindowExW(extended_style, class_name, design_.caption.c_str(), WS_CHILD | WS_VISIBLE | style,
                              os::to_pixels(design_.left, dpi), os::to_pixels(design_.top, dpi), os::to_pixels(design_.width, dpi),
                              os::to_pixels(design_.height, dpi), owner_.handle(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    const HFONT font = owner_.font(design_.font ? *design_.font : owner_.control_font());
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (design_.back_colour) back_brush_.reset(CreateSolidBrush(design_.back_colour->bgr));
    after_create();
}

void Control::lay_out() {
    const int dpi = owner_.dpi();
    SetWindowPos(window_, nullptr, os::to_pixels(design_.left, dpi), os::to_pixels(design_.top, dpi), os::to_pixels(design_.width, dpi),
                 os::to_pixels(design_.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    const HFONT font = owner_.font(design_.font ? *design_.font : owner_.control_font());
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

std::wstring Control::text() const {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window_)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window_, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Control::set_text(std::wstring_view text) { SetWindowTextW(window_, std::wstring(text).c_str()); }

bool Control::enabled() const { return IsWindowEnabled(window_) != FALSE; }

void Control::set_enabled(bool enabled) { EnableWindow(window_, enabled); }

void Control::on_command(WORD code) {
    if (code == BN_CLICKED && on_click) on_click();
}

void Control::draw_owner_drawn(const DRAWITEMSTRUCT& item) const {
    const HDC dc = item.hDC;
    RECT rect = item.rcItem;
    const bool pressed = item.itemState & ODS_SELECTED;
    const bool disabled = item.itemState & ODS_DISABLED;

    FillRect(dc, &rect, back_brush_.get());
    DrawEdge(dc, &rect, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

    RECT text_rect = rect;
    if (pressed) OffsetRect(&text_rect, 1, 1);
    const std::wstring caption = text();
    os::Selection font(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(window_, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
    if (disabled) {  // etched grey, as the system draws disabled captions
        RECT shadow = text_rect;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextW(dc, caption.c_str(), -1, &shadow, format);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    } else {
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    }
    DrawTextW(dc, caption.c_str(), -1, &text_rect, format);

    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        InflateRect(&rect, -4, -4);
        DrawFocusRect(dc, &rect);
    }
}

// Text box ------------------------------------------------------------------------------

TextBox::TextBox(ControlHost& owner, ControlDesign design, int max_length, ContextMenu context_menu)
    : Control(owner, ControlKind::TextBox, std::move(design)),
      max_length_at_load_(max_length),
      context_menu_(context_menu) {}

TextBox::~TextBox() {
    if (window_) RemoveWindowSubclass(window_, &TextBox::filter, 0);
}

void TextBox::after_create() {
    SendMessageW(window_, EM_SETLIMITTEXT, static_cast<WPARAM>(max_length_at_load_), 0);
    SetWindowSubclass(window_, &TextBox::filter, 0, reinterpret_cast<DWORD_PTR>(this));
}

void TextBox::set_max_length(int max_length) {
    SendMessageW(window_, EM_SETLIMITTEXT, static_cast<WPARAM>(max_length), 0);
}

int TextBox::max_length() const { return static_cast<int>(SendMessageW(window_, EM_GETLIMITTEXT, 0, 0)); }

void TextBox::focus_and_select_all() {
    owner_.remember_focus(window_);  // also when the form is activated only later
    SetFocus(window_);
    SendMessageW(window_, EM_SETSEL, 0, -1);
}

std::pair<int, int> TextBox::selection() const {
    DWORD start = 0, end = 0;
    SendMessageW(window_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {static_cast<int>(start), static_cast<int>(end)};
}

void TextBox::replace_selection(std::wstring_view text) {
    const std::wstring copy(text);
    SendMessageW(window_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(copy.c_str()));
}

void TextBox::on_command(WORD code) {
    if (code == EN_CHANGE && on_change) on_change();
}

void TextBox::paste_from_clipboard() {
    const std::wstring pasted = os::clipboard_text(window_);
    const std::wstring admitted = on_paste(pasted);
    if (!admitted.empty()) replace_selection(admitted);
}

LRESULT CALLBACK TextBox::filter(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                 UINT_PTR id, DWORD_PTR self) {
    return os::at_boundary("text box", LRESULT{0}, [&]() -> LRESULT {
        auto* box = reinterpret_cast<TextBox*>(self);
        switch (message) {
            case WM_CONTEXTMENU:
                // Swallowed whole: neither the box nor its form hears of it, so no menu opens,
                // whether the right button or the keyboard asked for it.
                if (box->context_menu_ == ContextMenu::Suppressed) return -1;
                break;
            case WM_CHAR:
                os::trace("key", std::to_wstring(wparam));
                if (box->on_key_press) {
                    auto key = static_cast<std::int16_t>(wparam);
                    box->on_key_press(key);
                    if (key == 0) return 0;
                    wparam = static_cast<std::uint16_t>(key);
                }
                break;
            case WM_KEYDOWN:
                // Shift+Insert pastes; route it through WM_PASTE so every paste is filtered alike.
                if (wparam == VK_INSERT && GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_CONTROL) >= 0) {
                    SendMessageW(window, WM_PASTE, 0, 0);
                    return 0;
                }
                break;
            case WM_PASTE:
                if (box->on_paste) {
                    box->paste_from_clipboard();
                    return 0;
                }
                break;
            case WM_NCDESTROY: RemoveWindowSubclass(window, &TextBox::filter, id); break;
        }
        return DefSubclassProc(window, message, wparam, lparam);
    });
}

// Check box and option button -------------------------------------------------------------

CheckBox::CheckBox(ControlHost& owner, ControlDesign design, int value, bool enabled_at_load)
    : Control(owner, ControlKind::CheckBox, std::move(design)),
      value_at_load_(value),
      enabled_at_load_(enabled_at_load) {}

void CheckBox::after_create() {
    SendMessageW(window_, BM_SETCHECK, value_at_load_ ? BST_CHECKED : BST_UNCHECKED, 0);
    EnableWindow(window_, enabled_at_load_);
}

int CheckBox::value() const { return SendMessageW(window_, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0; }

OptionButton::OptionButton(ControlHost& owner, ControlDesign design, bool value)
    : Control(owner, ControlKind::OptionButton, std::move(design)), value_at_load_(value) {}

void OptionButton::after_create() {
    SendMessageW(window_, BM_SETCHECK, value_at_load_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool OptionButton::value() const { return SendMessageW(window_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

}  // namespace desktop

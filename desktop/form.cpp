#include "desktop/form.h"

#include <commctrl.h>

#include <algorithm>

#include "desktop/application.h"
#include "desktop/controls.h"
#include "desktop/dpi.h"
#include "desktop/modal.h"
#include "desktop/timer.h"
#include "os/failure.h"
#include "os/painting.h"
#include "os/trace.h"
#include "os/twips.h"

namespace desktop {
namespace {

constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL, which dialog keys send

HINSTANCE instance() { return GetModuleHandleW(nullptr); }

DWORD style_of(Border border) {
    return border == Border::None ? WS_POPUP | WS_CLIPCHILDREN
                                  : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
}

bool register_class(const FormDesign& design, WNDPROC procedure) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance(), design.class_name.c_str(), &existing)) return true;

    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = instance();
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    if (design.icon_resource) {
        const auto icon = MAKEINTRESOURCEW(design.icon_resource);
        window_class.hIcon = static_cast<HICON>(LoadImageW(
            instance(), icon, IMAGE_ICON, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
        window_class.hIconSm = static_cast<HICON>(LoadImageW(
            instance(), icon, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    }
    window_class.lpszClassName = design.class_name.c_str();
    return RegisterClassExW(&window_class) != 0;
}

void init_common_controls() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)done;
}

RECT outer_rect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

SIZE client_size(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return {rect.right, rect.bottom};
}

}  // namespace

Form::Form(FormDesign design) : design_(std::move(design)) {}

Form::~Form() {
    if (!handle()) return;
    // The derived form's members are gone already: stop dispatching to this object first.
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    tooltip_.reset();
    window_gone(window_.get());
    window_.reset();
}

bool Form::load() {
    init_common_controls();
    if (!create_window()) {
        os::trace("load.failed", design_.class_name);
        return false;
    }
    create_controls();
    if (menu_.in_system_menu) GetSystemMenu(handle(), FALSE);  // a copy of its own to add to
    window_loaded(handle(), !controls_.empty());
    os::trace("load", design_.class_name);
    Timer::windows_changed();
    on_load();
    return true;
}

DWORD Form::style() const { return style_of(design_.border); }

DWORD Form::extended_style() const { return design_.takes_activation ? 0 : WS_EX_NOACTIVATE; }

RECT Form::designed_outer_rect() const {
    const RECT client{0, 0, os::to_pixels(design_.client_width, dpi_), os::to_pixels(design_.client_height, dpi_)};
    return adjust_for_dpi(client, style(), extended_style(), dpi_);
}

bool Form::create_window() {
    if (!register_class(design_, &Form::procedure)) return false;
    dpi_ = system_dpi();  // until the window is there to say which monitor's
    const RECT rect = designed_outer_rect();
    back_brush_.reset(CreateSolidBrush(design_.back_colour.bgr));
    // The procedure takes ownership of the window at WM_NCCREATE.
    if (!CreateWindowExW(extended_style(), design_.class_name.c_str(), design_.title.c_str(), style(),
                         os::to_pixels(design_.left, dpi_), os::to_pixels(design_.top, dpi_), rect.right - rect.left,
                         rect.bottom - rect.top, nullptr, nullptr, instance(), this))
        return false;
    if (const int dpi = window_dpi(handle()); dpi != dpi_) {
        dpi_ = dpi;
        const RECT outer = designed_outer_rect();
        set_outer_rect(0, 0, outer.right - outer.left, outer.bottom - outer.top, SWP_NOMOVE);
    }
    return true;
}

void Form::create_controls() {
    int id = kFirstControlId;
    for (Control* control : controls_) control->create(id++);
    create_tooltips();
}

void Form::create_tooltips() {
    const bool any_tooltip = std::any_of(controls_.begin(), controls_.end(),
                                         [](Control* c) { return !c->design().tooltip.empty(); });
    if (!any_tooltip) return;
    // Not owned by the form: under Wine a window that owns a topmost tooltip cannot itself
    // become topmost. The form destroys it when it goes.
    tooltip_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                   instance(), nullptr));
    for (Control* control : controls_) {
        if (control->design().tooltip.empty()) continue;
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_.get();
        tool.uId = reinterpret_cast<UINT_PTR>(control->handle());
        tool.lpszText = const_cast<wchar_t*>(control->design().tooltip.c_str());
        SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void Form::close() {
    if (handle()) SendMessageW(window_.get(), WM_CLOSE, 0, 0);
}

void Form::show() {
    if (!shown_since_load_ && design_.centre_when_first_shown) {
        RECT rect;
        GetWindowRect(handle(), &rect);
        const int x = (GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2;
        const int y = (GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2;
        SetWindowPos(handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    shown_since_load_ = true;
    ShowWindow(handle(), SW_SHOW);
    os::trace("show", design_.class_name);
}

void Form::hide() {
    ShowWindow(handle(), SW_HIDE);
    os::trace("hide", design_.class_name);
}

bool Form::visible() const { return IsWindowVisible(handle()) != FALSE; }

int Form::left() const { return os::to_twips(outer_rect(handle()).left, dpi_); }
int Form::top() const { return os::to_twips(outer_rect(handle()).top, dpi_); }
int Form::width() const {
    const RECT r = outer_rect(handle());
    return os::to_twips(r.right - r.left, dpi_);
}
int Form::height() const {
    const RECT r = outer_rect(handle());
    return os::to_twips(r.bottom - r.top, dpi_);
}

void Form::set_outer_rect(int x, int y, int width, int height, UINT flags) {
    SetWindowPos(handle(), nullptr, x, y, width, height, flags | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::set_left(int twips) {
    set_outer_rect(os::to_pixels(twips, dpi_), outer_rect(handle()).top, 0, 0, SWP_NOSIZE);
}
void Form::set_top(int twips) {
    set_outer_rect(outer_rect(handle()).left, os::to_pixels(twips, dpi_), 0, 0, SWP_NOSIZE);
}
void Form::set_width(int twips) {
    const RECT r = outer_rect(handle());
    set_outer_rect(0, 0, os::to_pixels(twips, dpi_), r.bottom - r.top, SWP_NOMOVE);
}
void Form::set_height(int twips) {
    const RECT r = outer_rect(handle());
    set_outer_rect(0, 0, r.right - r.left, os::to_pixels(twips, dpi_), SWP_NOMOVE);
}

WindowState Form::state() const {
    if (IsIconic(handle())) return WindowState::Minimised;
    if (IsZoomed(handle())) return WindowState::Maximised;
    return WindowState::Normal;
}

void Form::set_state(WindowState state) {
    switch (state) {
        case WindowState::Normal:
            // Restoring a hidden window would show it; a hidden window is left as it is.
            if (visible()) ShowWindow(handle(), SW_RESTORE);
            break;
        case WindowState::Minimised: ShowWindow(handle(), SW_MINIMIZE); break;
        case WindowState::Maximised: ShowWindow(handle(), SW_MAXIMIZE); break;
    }
}

SIZE Form::held_size(int width_twips, int height_twips) const {
    const RECT needed = designed_outer_rect();
    return {std::max<LONG>(os::to_pixels(width_twips, dpi_), needed.right - needed.left),
            std::max<LONG>(os::to_pixels(height_twips, dpi_), needed.bottom - needed.top)};
}

bool Form::has_size(int width_twips, int height_twips) const {
    const RECT r = outer_rect(handle());
    const SIZE held = held_size(width_twips, height_twips);
    return r.right - r.left == held.cx && r.bottom - r.top == held.cy;
}

void Form::set_size(int width_twips, int height_twips) {
    const SIZE held = held_size(width_twips, height_twips);
    set_outer_rect(0, 0, held.cx, held.cy, SWP_NOMOVE);
}

void Form::set_topmost(bool topmost) {
    SetWindowPos(handle(), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

bool Form::topmost() const { return (GetWindowLongW(handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

void Form::repaint(const os::PixelRect& area) {
    if (!handle()) return;
    const RECT rect{area.left, area.top, area.right, area.bottom};
    InvalidateRect(handle(), &rect, FALSE);
}

void Form::repaint() {
    if (handle()) InvalidateRect(handle(), nullptr, FALSE);
}

void Form::paint_now() {
    if (handle()) UpdateWindow(handle());
}

HFONT Form::font(const os::FontDesign& wanted) {
    for (const auto& [known, font] : fonts_)
        if (known == wanted) return font.get();
    os::Font font = os::create_font(wanted, dpi_);
    const HFONT handle = font.get();
    fonts_.emplace_back(wanted, std::move(font));
    return handle;
}

void Form::paint_on_screen() {
    os::PaintScope scope(handle());
    const RECT& r = scope.area();
    const os::PixelRect area{r.left, r.top, r.right, r.bottom};
    if (area.empty()) return;
    if (painting_failed_) {  // said once; every repaint would fail and say it again
        os::Painter painter(scope.dc(), area);
        Form::paint(painter);
        return;
    }
    try {
        paint_strips(scope.dc(), area);
    } catch (...) {
        painting_failed_ = true;
        os::report_unexpected_failure("paint");
    }
}

void Form::paint_strips(HDC dc, const os::PixelRect& area) {
    constexpr int kStripRows = 64;  // a strip, not the whole area: small in memory, no flicker

    os::Strip strip(area.width(), std::min(area.height(), kStripRows));
    if (!strip) return;
    for (int top = area.top; top < area.bottom; top += strip.rows()) {
        const os::PixelRect part{area.left, top, area.right, std::min(area.bottom, top + strip.rows())};
        strip.paint(part, [this](os::Painter& painter) { paint(painter); });
        strip.copy_to(dc, part);
    }
    if (os::tracing())
        os::trace("painted", design_.class_name + L" " + std::to_wstring(area.left) + L"," + std::to_wstring(area.top) +
                             L"," + std::to_wstring(area.right) + L"," + std::to_wstring(area.bottom));
}

void Form::paint(os::Painter& painter) {
    const SIZE size = client_size(handle());
    painter.fill({0, 0, size.cx, size.cy}, design_.back_colour);
}

// Moved to a monitor of another resolution: the suggested rectangle, controls and fonts at
// the new one.
void Form::change_dpi(int dpi, const RECT& suggested) {
    os::trace("dpi", design_.class_name + L" " + std::to_wstring(dpi));
    const std::vector<std::pair<os::FontDesign, os::Font>> old_fonts = std::move(fonts_);  // in use until replaced
    fonts_.clear();
    dpi_ = dpi;
    painting_failed_ = false;  // drawn afresh for the new resolution
    SetWindowPos(handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (Control* control : controls_) control->lay_out();
    on_dpi_changed();
    repaint();
}

void Form::set_menu(WindowMenu menu) {
    menu_ = std::move(menu);
    if (menu_.in_system_menu && handle()) GetSystemMenu(handle(), FALSE);
}

bool Form::on_menu_command(int command) {
    if (!menu_.run) return false;
    for (const MenuItem& item : menu_.items())
        if (item.command == command && command != 0) {
            menu_.run(command);
            return true;
        }
    return false;
}

void Form::show_context_menu(LPARAM where) {
    POINT at{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
    if (where == static_cast<LPARAM>(-1)) {  // from the keyboard: at the window's corner
        RECT rect;
        GetWindowRect(handle(), &rect);
        at = {rect.left + 20, rect.top + 20};
    }
    if (const int command = show_popup_menu(menu_.items(), at)) on_menu_command(command);
}

void Form::remember_focus(HWND focus) {
    if (control_at(focus)) focus_ = focus;
}

Control* Form::control_at(HWND window) const {
    for (Control* control : controls_)
        if (control->handle() == window) return control;
    return nullptr;
}

HWND Form::first_tab_stop() const {
    for (Control* control : controls_) {
        const HWND h = control->handle();
        if ((GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP) && IsWindowEnabled(h)) return h;
    }
    return nullptr;
}

LRESULT Form::colour_control(HDC dc, HWND control_window) {
    const Control* control = control_at(control_window);
    if (control && control->back_brush_) {
        SetBkColor(dc, control->design().back_colour->bgr);
        return reinterpret_cast<LRESULT>(control->back_brush_.get());
    }
    SetBkMode(dc, TRANSPARENT);  // labels show the form through
    SetBkColor(dc, design_.back_colour.bgr);
    return reinterpret_cast<LRESULT>(back_brush_.get());
}

bool Form::set_control_cursor(HWND under_pointer) {
    const Control* control = control_at(under_pointer);
    if (!control || !control->design().custom_pointer || !control->mouse_icon()) return false;
    SetCursor(control->mouse_icon().get());
    return true;
}

void Form::on_destroyed() {
    os::trace("unload", design_.class_name);
    const HWND gone = window_.release();  // destroyed already
    focus_ = nullptr;
    tooltip_.reset();
    // A closed form may live on for a while (see FormSlot); what it drew with goes now.
    for (Control* control : controls_) {
        control->window_ = nullptr;
        control->back_brush_.reset();
    }
    back_brush_.reset();
    fonts_.clear();
    Timer::windows_changed();
    window_gone(gone);
}

LRESULT CALLBACK Form::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_.reset(window);
    }
    if (!self) return DefWindowProcW(window, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        os::at_boundary("window", [self] { self->on_destroyed(); });
        return DefWindowProcW(window, message, wparam, lparam);
    }
    return os::at_boundary("window", LRESULT{0}, [&] { return self->handle(message, wparam, lparam); });
}

LRESULT Form::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ERASEBKGND: return 1;  // WM_PAINT covers every pixel
        case WM_PAINT: paint_on_screen(); return 0;
        case WM_PRINTCLIENT: {
            const SIZE size = client_size(handle());
            os::Painter painter(reinterpret_cast<HDC>(wparam), {0, 0, size.cx, size.cy});
            paint(painter);
            return 0;
        }
        case WM_COMMAND:
            if (Control* control = control_at(reinterpret_cast<HWND>(lparam)))
                control->on_command(HIWORD(wparam));
            return 0;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
            if (const Control* control = control_at(item->hwndItem)) control->draw_owner_drawn(*item);
            return TRUE;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return colour_control(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
        case WM_SETCURSOR:
            if (set_control_cursor(reinterpret_cast<HWND>(wparam))) return TRUE;
            break;
        case WM_WINDOWPOSCHANGED:  // moved, sized, minimised, maximised, restored, shown, hidden
        case WM_SHOWWINDOW:
            Timer::windows_changed();
            break;
        case WM_ACTIVATE:
            os::trace(LOWORD(wparam) == WA_INACTIVE ? "deactivate" : "activate", design_.class_name);
            if (controls_.empty()) break;
            if (LOWORD(wparam) == WA_INACTIVE) {
                remember_focus(GetFocus());
            } else if (!control_at(GetFocus())) {  // a control given the focus meanwhile keeps it
                SetFocus(IsWindow(focus_) && IsWindowEnabled(focus_) ? focus_ : first_tab_stop());
            }
            return 0;
        case WM_DPICHANGED:
            change_dpi(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
            return 0;
        case WM_CONTEXTMENU:
            if (!menu_.on_right_click || reinterpret_cast<HWND>(wparam) != handle()) break;
            show_context_menu(lparam);
            return 0;
        case WM_INITMENUPOPUP:
            if (menu_.in_system_menu && HIWORD(lparam)) refresh_system_menu(reinterpret_cast<HMENU>(wparam), menu_.items());
            break;
        case WM_SYSCOMMAND:
            if (static_cast<UINT>(wparam & 0xFFF0) < 0xF000 && on_menu_command(static_cast<int>(wparam & 0xFFF0))) return 0;
            break;
        case WM_CLOSE:
            // Asked to close from outside (a task manager, the end of the session) while a
            // message or dialog of ours waits for an answer: its caller still needs the
            // windows, so the request is refused until the answer is in.
            if (Modal::open()) {
                os::trace("close.refused", design_.class_name);
                return 0;
            }
            on_unload();
            DestroyWindow(handle());
            return 0;
        case WM_DESTROY:
            tooltip_.reset();
            break;
    }
    return DefWindowProcW(handle(), message, wparam, lparam);
}

}  // namespace desktop

// A top-level window with its controls: created hidden when it loads, after which its
// on_load runs; shown, hidden, moved and sized in twips; closed by the platform's close
// command, after which it is unloaded. Child controls register with their form when they are
// constructed and come to life when the form loads.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "desktop/controls.h"
#include "desktop/menus.h"
#include "os/font_design.h"
#include "os/geometry.h"
#include "os/handles.h"
#include "os/win32.h"

namespace os {
class Painter;
}

namespace desktop {

enum class Border { None, FixedSingle };
enum class WindowState { Normal = 0, Minimised = 1, Maximised = 2 };

struct FormDesign {
    std::wstring class_name;
    std::wstring title;
    Border border = Border::FixedSingle;
    int left = 0, top = 0;                    // twips; ignored when centred
    int client_width = 0, client_height = 0;  // twips
    bool centre_when_first_shown = false;
    bool takes_activation = true;  // false: clicks and new windows leave the active window as it is
    os::Colour back_colour{0x00F0F0F0};
    int icon_resource = 0;
    os::FontDesign control_font;  // for controls whose design names no font
};

class Form : public ControlHost {
public:
    explicit Form(FormDesign design);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    // Creates the window, hidden, with its controls, then runs on_load. False, with nothing
    // run, when the window could not be created.
    bool load();
    bool loaded() const { return static_cast<bool>(window_); }
    // The platform's close command: on_unload runs and the window is unloaded.
    void close();

    HWND handle() const override { return window_.get(); }

    void show();
    void hide();
    bool visible() const;

    // Outer geometry in twips.
    int left() const;
    int top() const;
    int width() const;
    int height() const;
    void set_left(int twips);
    void set_top(int twips);
    void set_width(int twips);
    void set_height(int twips);
    // The outer size the window is held at for a designed outer size: that size at the
    // window's resolution, or what its designed client area needs there if that is more (a
    // caption grows with the resolution). At 96 dpi, in pixels, the designed size itself.
    SIZE held_size(int width_twips, int height_twips) const;
    // Compared in whole pixels: sizes read back from the window are whole pixels, designed
    // ones need not be.
    bool has_size(int width_twips, int height_twips) const;
    void set_size(int width_twips, int height_twips);
    // The window's own resolution; twips convert to pixels at it.
    int dpi() const override { return dpi_; }

    WindowState state() const;
    void set_state(WindowState state);

    void set_topmost(bool topmost);
    bool topmost() const;

    // Asks for the given part of the client area, or all of it, to be painted again.
    void repaint(const os::PixelRect& area);
    void repaint();
    // Paints what was asked for now, instead of when the message queue is next empty.
    void paint_now();

    // Commands offered in the window's system menu or where the user right-clicks it.
    void set_menu(WindowMenu menu);

    HFONT font(const os::FontDesign& wanted) override;
    const os::FontDesign& control_font() const override { return design_.control_font; }
    void remember_focus(HWND control) override;
    const FormDesign& design() const { return design_; }

protected:
    virtual void on_load() {}
    // The user closes the window; it is unloaded right after.
    virtual void on_unload() {}
    // Forms that draw their own client area override this; the default fills it with the
    // form's back colour.
    virtual void paint(os::Painter& painter);
    // The window now has another resolution (its size and controls are laid out anew already).
    virtual void on_dpi_changed() {}

private:
    void adopt(Control* control) override { controls_.push_back(control); }

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);

    bool create_window();
    DWORD style() const;
    DWORD extended_style() const;
    RECT designed_outer_rect() const;
    void change_dpi(int dpi, const RECT& suggested);
    void create_controls();
    void create_tooltips();
    void set_outer_rect(int x, int y, int width, int height, UINT flags);
    void paint_on_screen();
    void paint_strips(HDC dc, const os::PixelRect& area);
    Control* control_at(HWND window) const;
    HWND first_tab_stop() const;
    LRESULT colour_control(HDC dc, HWND control_window);
    bool on_menu_command(int command);
    void show_context_menu(LPARAM where);
    bool set_control_cursor(HWND under_pointer);
    void on_destroyed();

    FormDesign design_;
    int dpi_ = 96;
    os::OwnedWindow window_;
    os::OwnedWindow tooltip_;
    HWND focus_ = nullptr;
    bool shown_since_load_ = false;
    bool painting_failed_ = false;  // its content could not be drawn: the back colour shows
    os::Brush back_brush_;
    std::vector<std::pair<os::FontDesign, os::Font>> fonts_;
    std::vector<Control*> controls_;
    WindowMenu menu_;
};

}  // namespace desktop

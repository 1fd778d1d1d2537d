// A top-level window as the program's forms know it: created hidden on load, then its
// Form_Load runs; shown, hidden, moved and sized in twips; closed by the platform's close
// command, after which it is unloaded. Child controls, windowless labels and timers register
// with their form when they are constructed and come to life when the form loads.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "desktop/geometry.h"
#include "desktop/handles.h"
#include "desktop/pixels.h"
#include "desktop/win32.h"

namespace desktop {

class Control;
class Label;
class Painter;
class Timer;

enum class Border { None, FixedSingle };
enum class WindowState { Normal = 0, Minimised = 1, Maximised = 2 };

struct FontSpec {
    std::wstring face;
    double points = 9;
    int charset = 134;  // GB2312
    int weight = 400;

    bool operator==(const FontSpec& o) const {
        return face == o.face && points == o.points && charset == o.charset && weight == o.weight;
    }
};

struct FormDesign {
    std::wstring class_name;
    std::wstring title;
    Border border = Border::FixedSingle;
    int left = 0, top = 0;                  // twips; ignored when centred
    int client_width = 0, client_height = 0;  // twips
    bool centre_when_first_shown = false;
    Colour back_colour{0x00F0F0F0};
    int icon_resource = 0;
    FontSpec control_font;  // for controls whose design names no font
};

class Form {
public:
    explicit Form(FormDesign design);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    // Creates the window, hidden, with its controls, then runs Form_Load.
    void load();
    bool loaded() const { return window_ != nullptr; }
    // The platform's close command: Form_Unload runs and the window is unloaded.
    void close();

    HWND handle() const { return window_; }

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

    WindowState state() const;
    void set_state(WindowState state);

    void set_topmost(bool topmost);

    // Asks for the given part of the client area, or all of it, to be painted again.
    void repaint(const PixelRect& area);
    void repaint();
    // The client area as the form paints it, drawn into memory rather than onto the screen.
    Pixels render();

    HFONT font(const FontSpec& wanted);
    const FormDesign& design() const { return design_; }
    bool has_controls() const { return !controls_.empty(); }

protected:
    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    // Forms that draw their own client area override this; windowless labels are drawn
    // over it afterwards.
    virtual void paint_background(Painter& painter);

private:
    friend class Control;
    friend class Label;
    friend class Timer;

    class Band;

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);

    void create_window();
    void create_controls();
    void set_outer_rect(int x, int y, int width, int height, UINT flags);
    void paint_on_screen();
    void paint(Painter& painter);
    Control* control_at(HWND window) const;
    HWND first_tab_stop() const;
    LRESULT colour_control(HDC dc, HWND control_window);
    bool set_control_cursor(HWND under_pointer);
    void on_destroyed();

    FormDesign design_;
    HWND window_ = nullptr;
    HWND focus_ = nullptr;
    HWND tooltip_ = nullptr;
    bool shown_since_load_ = false;
    Brush back_brush_;
    std::vector<std::pair<FontSpec, Font>> fonts_;
    std::vector<Control*> controls_;
    std::vector<Label*> labels_;
    std::vector<Timer*> timers_;
};

// Gives keyboard navigation (Tab, arrow keys between option buttons) to the form whose
// control the message is for; true when the form handled the message.
bool dispatch_dialog_keys(MSG& message);

// The forms loaded now, in the order they were loaded.
const std::vector<Form*>& loaded_forms();

// Ends the event loop of run_program, if it is running; called when the last form unloads.
void post_quit_if_running();

}  // namespace desktop

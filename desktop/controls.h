// The controls that forms carry: child-window controls (text box, buttons, option buttons,
// check boxes, static labels), windowless labels that their form draws, and timers.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "desktop/form.h"
#include "desktop/geometry.h"
#include "desktop/win32.h"

namespace desktop {

// A mouse cursor carried by the program; shared, never destroyed.
class Cursor {
public:
    Cursor() = default;
    static Cursor from_resource(int resource);
    HCURSOR get() const { return cursor_; }
    explicit operator bool() const { return cursor_ != nullptr; }
    bool operator==(const Cursor& o) const { return cursor_ == o.cursor_; }

private:
    explicit Cursor(HCURSOR cursor) : cursor_(cursor) {}
    HCURSOR cursor_ = nullptr;
};

enum class ControlKind { TextBox, Button, OptionButton, CheckBox, StaticText };

struct ControlDesign {
    std::wstring caption;
    int left = 0, top = 0, width = 0, height = 0;  // twips, within the client area
    std::optional<Colour> back_colour;              // none: transparent or the default
    std::optional<FontSpec> font;                   // none: the form's control font
    bool custom_pointer = false;  // shows the mouse icon, once one has been given
    std::wstring tooltip;
};

class Control {
public:
    Control(Form& owner, ControlKind kind, ControlDesign design);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    HWND handle() const { return window_; }
    const ControlDesign& design() const { return design_; }

    std::wstring text() const;
    void set_text(std::wstring_view text);
    bool enabled() const;
    void set_enabled(bool enabled);

    Cursor mouse_icon() const { return mouse_icon_; }
    void set_mouse_icon(Cursor cursor) { mouse_icon_ = cursor; }

    // Raised when the control is clicked (buttons, option buttons, check boxes).
    std::function<void()> on_click;

protected:
    virtual void after_create() {}
    virtual void on_command(WORD code);

    Form& owner_;
    HWND window_ = nullptr;

private:
    friend class Form;
    void create(int id);
    void draw_owner_drawn(const DRAWITEMSTRUCT& item) const;

    ControlKind kind_;
    ControlDesign design_;
    Cursor mouse_icon_;
    Brush back_brush_;
};

class Button : public Control {
public:
    Button(Form& owner, ControlDesign design) : Control(owner, ControlKind::Button, std::move(design)) {}
};

class StaticText : public Control {
public:
    StaticText(Form& owner, ControlDesign design)
        : Control(owner, ControlKind::StaticText, std::move(design)) {}
};

class TextBox : public Control {
public:
    TextBox(Form& owner, ControlDesign design, int max_length);
    ~TextBox() override;

    int max_length() const { return max_length_; }
    void set_max_length(int max_length);
    // Start and end of the selection, in characters.
    std::pair<int, int> selection() const;
    void replace_selection(std::wstring_view text);

    // A character about to be entered by a key press; set it to 0 to drop it.
    std::function<void(std::int16_t& key)> on_key_press;
    // Text about to be pasted; the handler returns what is actually inserted.
    std::function<std::wstring(std::wstring_view pasted)> on_paste;
    // Raised after every change of the text.
    std::function<void()> on_change;

private:
    void after_create() override;
    void on_command(WORD code) override;
    static LRESULT CALLBACK filter(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                   UINT_PTR id, DWORD_PTR self);
    void paste_from_clipboard();

    int max_length_;
};

class CheckBox : public Control {
public:
    CheckBox(Form& owner, ControlDesign design, int value, bool enabled_at_load = true);
    // 0 clear, 1 checked.
    int value() const;

private:
    void after_create() override;
    int value_at_load_;
    bool enabled_at_load_;
};

class OptionButton : public Control {
public:
    // Option buttons that follow one another form one group: choosing one clears the others.
    OptionButton(Form& owner, ControlDesign design, bool value);
    bool value() const;

private:
    void after_create() override;
    bool value_at_load_;
};

// A label that the form draws itself: it has no window, takes no input and only shows its
// caption (or nothing, when it is not visible).
class Label {
public:
    enum class Align { Left, Centre };
    Label(Form& owner, std::wstring caption, int left, int top, int width, int height,
          FontSpec font, Align align, bool visible = true);
    Label(const Label&) = delete;
    Label& operator=(const Label&) = delete;

    const std::wstring& caption() const { return caption_; }
    // Repaints the label's place when the caption changes, and only then.
    void set_caption(std::wstring_view caption);

    PixelRect bounds() const;
    Cursor mouse_icon() const { return mouse_icon_; }
    void set_mouse_icon(Cursor cursor) { mouse_icon_ = cursor; }

private:
    friend class Form;
    void paint(Painter& painter) const;

    Form& owner_;
    std::wstring caption_;
    int left_, top_, width_, height_;
    FontSpec font_;
    Align align_;
    bool visible_;
    Cursor mouse_icon_;
};

// How a timer's ticks fall due while it is enabled.
enum class Ticking {
    // At every interval.
    Steady,
    // At its interval only while the program's windows change. A timer that watches over the
    // windows and acts only on a difference has nothing to do in between, so after a tick in
    // which no window changed it rests, costing nothing, until a form of the program is
    // loaded, moved, sized, shown, hidden or unloaded, or a timer is switched on or off;
    // its next tick then falls due at its interval as usual.
    WhileWindowsChange,
};

// A timer of a form: while enabled, its ticks arrive as events on the one thread.
class Timer {
public:
    Timer(Form& owner, unsigned interval_ms, std::function<void()> on_tick,
          Ticking ticking = Ticking::Steady);
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer();

    bool enabled() const { return enabled_; }
    void set_enabled(bool enabled);
    unsigned interval() const { return interval_; }
    // False while a watching timer rests.
    bool due() const { return armed_; }

private:
    friend class Form;
    void tick();
    void forget();  // the form's window is gone, and its timers with it
    void arm();
    void disarm();
    // Wakes the watching timers: something they watch may have changed.
    static void windows_changed();

    Form& owner_;
    UINT_PTR id_;
    unsigned interval_;
    std::function<void()> on_tick_;
    Ticking ticking_;
    bool enabled_ = false;
    bool armed_ = false;  // the platform timer is set
};

}  // namespace desktop

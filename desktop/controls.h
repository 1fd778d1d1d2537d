// The controls that forms carry: text box, buttons, option buttons, check boxes and static
// labels, each a child window of its form.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "os/font_design.h"
#include "os/geometry.h"
#include "os/handles.h"
#include "os/win32.h"

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

class Control;
class Form;

// The window that controls live in, as they see it.
class ControlHost {
public:
    virtual HWND handle() const = 0;
    virtual int dpi() const = 0;
    virtual HFONT font(const os::FontDesign& wanted) = 0;
    // For controls whose design names no font.
    virtual const os::FontDesign& control_font() const = 0;
    // The control that gets the focus back when the window is activated again.
    virtual void remember_focus(HWND control) = 0;

protected:
    ~ControlHost() = default;

private:
    friend class Control;
    virtual void adopt(Control* control) = 0;  // controls register as they are constructed
};

enum class ControlKind { TextBox, Button, OptionButton, CheckBox, StaticText };

struct ControlDesign {
    std::wstring caption;
    int left = 0, top = 0, width = 0, height = 0;  // twips, within the client area
    std::optional<os::Colour> back_colour;              // none: transparent or the default
    std::optional<os::FontDesign> font;                   // none: the form's control font
    bool custom_pointer = false;  // shows the mouse icon, once one has been given
    std::wstring tooltip;
};

class Control {
public:
    Control(ControlHost& owner, ControlKind kind, ControlDesign design);
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

    ControlHost& owner_;
    HWND window_ = nullptr;

private:
    friend class Form;
    void create(int id);
    void lay_out();  // at the owner's current resolution, with its font for it
    void draw_owner_drawn(const DRAWITEMSTRUCT& item) const;

    ControlKind kind_;
    ControlDesign design_;
    Cursor mouse_icon_;
    os::Brush back_brush_;
};

class Button : public Control {
public:
    Button(ControlHost& owner, ControlDesign design) : Control(owner, ControlKind::Button, std::move(design)) {}
};

class StaticText : public Control {
public:
    StaticText(ControlHost& owner, ControlDesign design)
        : Control(owner, ControlKind::StaticText, std::move(design)) {}
};

enum class ContextMenu { Offered, Suppressed };

class TextBox : public Control {
public:
    TextBox(ControlHost& owner, ControlDesign design, int max_length, ContextMenu context_menu = ContextMenu::Offered);
    ~TextBox() override;

    // The most characters typing may enter, as the box itself holds it.
    int max_length() const;
    void set_max_length(int max_length);
    // Takes the keyboard focus with the whole text selected, so typing replaces it.
    void focus_and_select_all();
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

    int max_length_at_load_;
    ContextMenu context_menu_;
};

class CheckBox : public Control {
public:
    CheckBox(ControlHost& owner, ControlDesign design, int value, bool enabled_at_load = true);
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
    OptionButton(ControlHost& owner, ControlDesign design, bool value);
    bool value() const;

private:
    void after_create() override;
    bool value_at_load_;
};

}  // namespace desktop

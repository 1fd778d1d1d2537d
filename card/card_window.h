// The card window: the parking card in a frameless window at the screen's top-left corner,
// the number's characters in its 11 boxes, and the watchdog that keeps both of the program's
// windows in shape.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "card/card_picture.h"
#include "desktop/controls.h"
#include "desktop/form.h"
#include "desktop/timer.h"
#include "os/painting.h"

// What the card asks of the rest of the program.
struct CardWiring {
    // Start-up hands the hand cursor on to the control panel (which loads the panel).
    std::function<void(const desktop::Cursor& hand)> hand_cursor_to_panel;
    // The control panel, loaded again if it was closed: the watchdog shows it and keeps it in shape.
    std::function<desktop::Form&()> panel;
    // While a save is pending the watchdog leaves the panel hidden.
    std::function<bool()> save_pending;
    // The user closed the card.
    std::function<void()> closed;
    // Whether another copy of the program runs: then this one ends silently, showing nothing.
    std::function<bool()> another_copy_runs;
};

class CardWindow : public desktop::Form {
public:
    explicit CardWindow(CardWiring wiring, CardStyle style = CardStyle::Colour);

    // The slots follow the number: slot k shows character k, "*" everywhere for no number.
    void show_number(std::wstring_view number);
    // A QR code in place of the parking mark, saying this text; none for an empty one.
    void show_code(std::string code);
    // The card drawn in this style from now on, at once.
    void show_style(CardStyle style);
    CardStyle style() const { return picture_.style(); }
    // Slot k, from 1 at the left.
    const std::wstring& slot_caption(int k) const { return picture_.caption(k); }
    os::PixelRect slot_bounds(int k) const { return picture_.slot_bounds(k); }

    // The part of the artwork shown, in twips from the corner; the watchdog makes it follow
    // the window's size.
    int artwork_width() const { return artwork_width_; }
    int artwork_height() const { return artwork_height_; }

    // Ticks as often as the platform allows while windows change; see card/watchdog.cpp.
    desktop::Timer watchdog;

private:
    void on_load() override;
    void on_unload() override;
    void paint(os::Painter& painter) override;
    void on_dpi_changed() override;
    void on_watchdog_tick();
    void set_artwork_extent(int width, int height);
    void redraw(double scale, CardStyle style);

    CardWiring wiring_;
    std::wstring number_;
    CardPicture picture_;  // at the window's resolution
    desktop::Cursor hand_cursor_;
    int artwork_width_, artwork_height_;  // twips
};

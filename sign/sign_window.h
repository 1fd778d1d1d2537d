// Form1, the sign window: the parking card in a frameless window at the screen's top-left
// corner, its 11 digit slots, the watchdog that keeps both windows in shape, and the save.
#pragma once

#include <array>

#include "desktop/controls.h"
#include "desktop/form.h"
#include "desktop/form_slot.h"
#include "desktop/painting.h"
#include "desktop/pixels.h"

// Image1: the card artwork, drawn unscaled from the window's top-left corner and cut off at
// the image's own width and height.
class CardImage {
public:
    CardImage(desktop::Form& owner, int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    void set_width(int twips);
    void set_height(int twips);
    void paint(desktop::Painter& painter) const;

private:
    desktop::Form& owner_;
    desktop::Picture picture_;
    int width_, height_;  // twips
};

// Picture1: the never-visible canvas that a save lays over the window and fills with the
// card before writing it.
struct Canvas {
    int left = 480, top = 840, width = 255, height = 255;  // twips
    desktop::Pixels image;

    void move(int new_left, int new_top, int new_width, int new_height) {
        left = new_left, top = new_top, width = new_width, height = new_height;
    }
};

// One of the 11 digit slots: a transparent label over a white box of the artwork, showing
// one character of the number in 90-point type. Each slot's left edge is a fixed design
// value placed on its box, not a formula.
class DigitSlot : public desktop::Label {
public:
    DigitSlot(desktop::Form& owner, int left);
};

class SignWindow : public desktop::Form {
public:
    static constexpr int kWidth = 17985;  // twips: 1199 × 548 pixels
    static constexpr int kHeight = 8220;

    SignWindow();

    // Controls, from the top of the z-order down.
    Canvas Picture1;
    desktop::Timer Timer2;  // the save
    desktop::Timer Timer1;  // the watchdog
    desktop::Label zz_ICON;  // holds the hand cursor that start-up hands on
    DigitSlot sz11, sz10, sz9, sz8, sz7, sz6, sz5, sz4, sz3, sz2, sz1;
    CardImage Image1;

    // The digit slots left to right: slot(1) is sz1.
    desktop::Label& slot(int k) { return *slots_[k - 1]; }

private:
    void Form_Load() override;
    void Timer1_Timer();  // sign/watchdog.cpp
    void Timer2_Timer();  // export/save_sequence.cpp
    void paint_background(desktop::Painter& painter) override;

    std::array<desktop::Label*, 11> slots_;
    bool saving_ = false;
};

// The one sign window of the program; referring to it loads it when it is not loaded.
desktop::FormSlot<SignWindow>& sign_window_slot();
inline SignWindow& Form1() { return sign_window_slot().get(); }

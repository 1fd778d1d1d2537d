// Velmora's composition root: the card, the control panel and the save, and how they are
// wired together. The panel says what the user wants (number changed, save, hide the card,
// exit); the card offers what it can do (show these digits, draw itself); the save is handed
// the confirmed number and borrows the windows it needs.
#pragma once

#include "desktop/form_slot.h"
#include "export/card_save.h"
#include "panel/control_panel.h"
#include "sign/sign_window.h"

class Velmora {
public:
    Velmora();
    Velmora(const Velmora&) = delete;
    Velmora& operator=(const Velmora&) = delete;

    // The program's start: the card loads, and everything else follows from it.
    void start() { card(); }

    // Each window is loaded when it is referred to and not loaded (again after it was closed).
    SignWindow& card() { return card_.get(); }
    ControlPanel& panel() { return panel_.get(); }
    bool card_loaded() const { return card_.loaded(); }
    bool panel_loaded() const { return panel_.loaded(); }
    CardSave& save() { return save_; }

private:
    std::unique_ptr<SignWindow> make_card();
    std::unique_ptr<ControlPanel> make_panel();
    SaveWindows windows_for_saving();

    desktop::FormSlot<SignWindow> card_;
    desktop::FormSlot<ControlPanel> panel_;
    CardSave save_;
};

// Velmora's composition root: the card, the control panel, the save and the other ways the
// card gets out, and how they are wired together. The panel says what the user wants (number
// changed, save, hide the card, exit); the card offers what it can do (show these digits,
// draw itself); the save is handed the confirmed number and borrows the windows it needs.
#pragma once

#include "desktop/application.h"
#include "desktop/form_slot.h"
#include "desktop/menus.h"
#include "export/card_export.h"
#include "export/card_save.h"
#include "panel/control_panel.h"
#include "sign/sign_window.h"

// Who the program is, for the desktop layer.
desktop::Identity velmora_identity();

// The card as the command line draws it: with its QR code when asked for and the number is a
// whole one (8 or 11 digits).
DrawCard velmora_card_drawing(bool qr);

class Velmora {
public:
    // The commands of the card's right-click menu, the panel's system menu and the shortcuts.
    enum Command : int { kCopyPicture = 0x100, kSaveAs = 0x110, kPrint = 0x120, kToggleQr = 0x130 };

    Velmora();
    Velmora(const Velmora&) = delete;
    Velmora& operator=(const Velmora&) = delete;
    ~Velmora();

    // The program's start: the card loads, and everything else follows from it.
    void start() { card(); }

    // Each window is loaded when it is referred to and not loaded (again after it was closed).
    SignWindow& card() { return card_.get(); }
    ControlPanel& panel() { return panel_.get(); }
    bool card_loaded() const { return card_.loaded(); }
    bool panel_loaded() const { return panel_.loaded(); }
    CardSave& save() { return save_; }

    void run(Command command);
    desktop::MenuItems menu_items() const;

private:
    std::unique_ptr<SignWindow> make_card();
    std::unique_ptr<ControlPanel> make_panel();
    SaveWindows windows_for_saving();
    desktop::WindowMenu menu(bool in_system_menu);
    // What the card's QR code says for a number: nothing unless the option is on and the number
    // is whole for the panel's digit mode.
    std::string code_for(const std::wstring& number);
    void toggle_qr();

    bool qr_on_ = false;
    DrawCard draw_card_;
    desktop::FormSlot<SignWindow> card_;
    desktop::FormSlot<ControlPanel> panel_;
    CardSave save_;
};

// Velmora's composition root: the card, the control panel, the save and the other ways the
// card gets out, and how they are wired together. The panel says what the user wants (number
// changed, save, hide the card, exit); the card offers what it can do (show these digits,
// draw itself); the save is handed the confirmed number and borrows the windows it needs.
// Below it nothing knows the program's name: what needs one (a title, a file prefix, a
// registry key, a mutex) is handed it from here.
#pragma once

#include "app/command_line.h"
#include "card/card_window.h"
#include "desktop/form_slot.h"
#include "desktop/menus.h"
#include "export/card_export.h"
#include "export/card_save.h"
#include "os/settings.h"
#include "os/single_instance.h"
#include "panel/control_panel.h"

// Who the program is, for whatever below needs a name of its own.
struct Identity {
    std::wstring title;             // of the messages that name no subject
    std::wstring instance_mutex;    // named mutex that lets one copy run at a time
    std::wstring trace_variable;    // environment variable that names the trace file
    std::wstring temporary_prefix;  // start of the names of files still being written
    std::wstring settings_key;      // under HKEY_CURRENT_USER
};
const Identity& velmora_identity();

// The card as the command line draws it: in the style asked for, with its QR code when asked
// for and the number is a whole one (8 or 11 digits).
DrawCard velmora_card_drawing(bool qr, CardStyle style = CardStyle::Colour);

// Runs a command line of the export mode or --help; returns the process exit code.
int run_command_line(const CommandLine& command, const DrawCard& draw);

class Velmora {
public:
    // The commands of the card's right-click menu, the panel's system menu and the shortcuts.
    enum Command : int {
        kCopyPicture = 0x100,
        kSaveAs = 0x110,
        kPrint = 0x120,
        kToggleQr = 0x130,
        kToggleBlackAndWhite = 0x140,
        kToggleTwoPerPage = 0x150,
    };

    Velmora();
    Velmora(const Velmora&) = delete;
    Velmora& operator=(const Velmora&) = delete;
    ~Velmora();

    // The program's start: the card loads, and everything else follows from it.
    void start() { card(); }

    // Each window is loaded when it is referred to and not loaded (again after it was closed).
    CardWindow& card() { return card_.get(); }
    ControlPanel& panel() { return panel_.get(); }
    bool card_loaded() const { return card_.loaded(); }
    bool panel_loaded() const { return panel_.loaded(); }
    CardSave& save() { return save_; }

    void run(Command command);
    desktop::MenuItems menu_items() const;

private:
    std::unique_ptr<CardWindow> make_card();
    std::unique_ptr<ControlPanel> make_panel();
    SaveWindows windows_for_saving();
    desktop::WindowMenu menu(bool in_system_menu);
    // What the card's QR code says for a number: nothing unless the option is on and the number
    // is whole for the panel's digit mode.
    std::string code_for(const std::wstring& number);
    void toggle_qr();
    CardStyle style() const { return black_and_white_ ? CardStyle::BlackAndWhite : CardStyle::Colour; }
    void toggle_black_and_white();
    void toggle_two_per_page();

    os::Settings settings_;
    os::SingleInstance single_instance_;
    ExportContext export_context_;
    bool qr_on_ = false;
    bool black_and_white_ = false;
    bool two_per_page_ = false;  // printing: two cards a page
    DrawCard draw_card_;
    desktop::FormSlot<CardWindow> card_;
    desktop::FormSlot<ControlPanel> panel_;
    CardSave save_;
};

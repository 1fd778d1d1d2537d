// Form2, the control panel: the number box with its key filter and 8/11-digit mode, the
// switch that hides the card, the save button, the About box and the exit button.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "desktop/controls.h"
#include "desktop/form.h"
#include "desktop/form_slot.h"

class ControlPanel : public desktop::Form {
public:
    ControlPanel();

    // Controls in tab order.
    desktop::StaticText Label1;
    desktop::TextBox Text1;
    desktop::StaticText Label2;
    desktop::OptionButton Option1;
    desktop::OptionButton Option2;
    desktop::Button Command1;
    desktop::Button Command2;
    desktop::CheckBox Check1;
    desktop::CheckBox Check2;
    desktop::Button Command3;

private:
    void Form_Load() override;
    void Form_Unload() override;
    void Check1_Click();
    void Command1_Click();
    void Command3_Click();

    void Text1_KeyPress(std::int16_t& key);         // panel/number_entry.cpp
    std::wstring Text1_Paste(std::wstring_view pasted);
    void Option1_Click();
    void Option2_Click();

    void Text1_Change();    // sign/digit_slots.cpp
    void Command2_Click();  // export/save_request.cpp
};

// The one control panel of the program; referring to it loads it when it is not loaded.
desktop::FormSlot<ControlPanel>& control_panel_slot();
inline ControlPanel& Form2() { return control_panel_slot().get(); }

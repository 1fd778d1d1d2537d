// The control panel: the number box with its key filter and 8/11-digit mode, the switch that
// hides the card, the save button, the About box and the exit button. It stays above every
// other window. What its buttons mean for the rest of the program it says through its intents.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "desktop/controls.h"
#include "desktop/form.h"

struct PanelIntents {
    std::function<void(const std::wstring& number)> number_changed;
    std::function<void(const std::wstring& number)> save;
    std::function<void(bool hidden)> hide_card;
    std::function<void()> exit;
};

class ControlPanel : public desktop::Form {
public:
    explicit ControlPanel(PanelIntents intents);

    // The controls that show the hand cursor, once start-up has handed it on.
    void give_hand_cursor(const desktop::Cursor& hand);
    std::wstring number() const { return number_box.text(); }
    // 8 or 11: how many characters the digit mode lets the number have.
    int digit_limit() const { return number_box.max_length(); }
    // After a message: the number in the box, selected, ready to be corrected.
    void return_to_number() { number_box.focus_and_select_all(); }

    // Controls in tab order.
    desktop::StaticText number_label;
    desktop::TextBox number_box;
    desktop::StaticText digits_label;
    desktop::OptionButton eight_digits;
    desktop::OptionButton eleven_digits;
    desktop::Button exit_button;
    desktop::Button save_button;
    desktop::CheckBox hide_card;
    desktop::CheckBox keep_on_top;  // says the panel stays in front; fixed, checked and greyed
    desktop::Button about_button;

private:
    void on_load() override;
    void on_hide_card_clicked();
    void on_about_clicked();

    // Typing the number: panel/number_entry.cpp.
    void on_key_press(std::int16_t& key);
    std::wstring on_paste(std::wstring_view pasted);
    void choose_digit_mode(int max_length);

    PanelIntents intents_;
};

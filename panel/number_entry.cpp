// Typing the number: the key filter, pasting, and the 8/11-digit mode, which lives only in
// the box's maximum length.
#include "panel/control_panel.h"
#include "panel/number_rules.h"

void ControlPanel::on_key_press(std::int16_t& key) { key = number_rules::filter_key(key, number_box.text()); }

// Text that arrives other than by a key press obeys the same rule as typing.
std::wstring ControlPanel::on_paste(std::wstring_view pasted) {
    const auto [start, end] = number_box.selection();
    return number_rules::admit_paste(pasted, number_box.text(), static_cast<std::size_t>(end - start),
                                     static_cast<std::size_t>(number_box.max_length()));
}

// Choosing a mode empties the box, then sets its limit.
void ControlPanel::choose_digit_mode(int max_length) {
    number_box.set_text(L"");
    number_box.set_max_length(max_length);
}

// Typing the number: the key filter, pasting, and the 8/11-digit mode, which lives only in
// the box's maximum length.
#include "panel/control_panel.h"
#include "panel/number_rules.h"

void ControlPanel::Text1_KeyPress(std::int16_t& key) { key = number_rules::filter_key(key, Text1.text()); }

// Text that arrives other than by a key press obeys the same rule as typing.
std::wstring ControlPanel::Text1_Paste(std::wstring_view pasted) {
    const auto [start, end] = Text1.selection();
    return number_rules::admit_paste(pasted, Text1.text(), static_cast<std::size_t>(end - start),
                                     static_cast<std::size_t>(Text1.max_length()));
}

void ControlPanel::Option1_Click() {
    Text1.set_text(L"");
    Text1.set_max_length(8);
}

void ControlPanel::Option2_Click() {
    Text1.set_text(L"");
    Text1.set_max_length(11);
}

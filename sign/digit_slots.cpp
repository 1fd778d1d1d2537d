// The digit slots follow the number box: every change of its text is copied onto the card.
#include "panel/control_panel.h"
#include "sign/sign_window.h"
#include "sign/slot_captions.h"

void ControlPanel::Text1_Change() {
    const auto captions = slot_captions(Text1.text());
    SignWindow& card = Form1();  // loads the card again if it was closed
    for (std::size_t k = 0; k < captions.size(); ++k) card.slot(static_cast<int>(k) + 1).set_caption(captions[k]);
}

// Saving the card as "保存为图片" does: the number is checked and confirmed by the user, then
// the card goes on top, the panel hides, and 300 ms later the card is drawn and written
// beside the executable as a BMP named after the number, three times in a row. Then the
// windows are given back and the user is told where the file went, or why not.
#pragma once

#include <functional>
#include <string>

#include <memory>

#include "desktop/timer.h"
#include "export/export_context.h"
#include "os/painting.h"

// What the save needs of the windows.
struct SaveWindows {
    std::function<void(bool on_top)> card_on_top;
    // The card showing this number, to be drawn in memory.
    std::function<std::unique_ptr<os::Drawing>(const std::wstring& number)> draw_card;
    std::function<void(bool shown)> show_panel;
    std::function<void()> panel_on_top;
    // After a message: the number selected in its box, ready to be corrected.
    std::function<void()> back_to_number;
    // When the folder beside the program cannot be written: Save As with the same number.
    std::function<void(const std::wstring& number)> save_elsewhere;
};

class CardSave {
public:
    CardSave(SaveWindows windows, ExportContext context);

    // The save button was pressed with this number in the box.
    void request(const std::wstring& number);
    // From the confirmation to the end of the report: the panel stays hidden meanwhile.
    bool pending() const { return timer_.enabled(); }
    // The user closed the card. A pending save cannot draw it any more: it gives the panel
    // back and says the picture was not saved.
    void card_closed();

    const desktop::Timer& timer() const { return timer_; }

private:
    void run();

    SaveWindows windows_;
    ExportContext context_;
    desktop::Timer timer_;
    std::wstring number_;  // as confirmed
    // The card as the last save drew it, and the strip it was drawn through, kept for the next
    // save, which draws in the same memory: fresh memory costs more to touch than the card
    // costs to draw.
    os::RenderMemory rendered_;
    bool running_ = false;
    bool card_gone_ = false;
};

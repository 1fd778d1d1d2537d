// While a modal window of the program is open (a message box, a file or print dialog), its
// other windows take no input, and whatever waits for the windows to change looks again when
// it closes.
#pragma once

#include <vector>

#include "os/win32.h"

namespace desktop {

// The window a modal window belongs to: the program's foremost shown window, so the modal
// window always stands above it (above the always-on-top panel too) and comes back with it.
HWND modal_owner();

class Modal {
public:
    explicit Modal(HWND owner);
    Modal(const Modal&) = delete;
    Modal& operator=(const Modal&) = delete;
    ~Modal();

    // True while any modal window of the program is open.
    static bool open();

private:
    std::vector<HWND> disabled_;
};

}  // namespace desktop

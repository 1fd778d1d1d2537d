// The system's print dialog, owned by the program's foremost window while it is open.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "os/printing.h"

namespace desktop {

enum class PaperOrientation { Landscape, Portrait };

// Asks which printer and settings to use, starting from the default printer with the paper
// turned as asked and one copy. Nothing when the user cancelled or there is no printer (then
// failure, when given, says why).
std::optional<os::PrintChoice> ask_how_to_print(PaperOrientation orientation, std::wstring* failure = nullptr);

// The seam for tests: while an answerer is installed, the dialog goes to it. It is handed the
// choice the dialog would open with (the default printer, the paper turned, one copy).
using PrintDialogAnswerer = std::function<std::optional<os::PrintChoice>(const os::PrintChoice& proposed)>;
PrintDialogAnswerer answer_print_dialogs_with(PrintDialogAnswerer answerer);

}  // namespace desktop

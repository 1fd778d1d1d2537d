// Printing: a printer's page figures, and a job that draws onto the printer and either reaches
// the spooler whole or is taken back.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "os/painting.h"

namespace os {

// A printer and its settings (DEVMODE), as the user left them in the print dialog.
struct PrintChoice {
    std::wstring printer;
    std::vector<unsigned char> settings;
};

struct PageFigures {
    int dpi_x = 0, dpi_y = 0;
    int page_width = 0, page_height = 0;
    int offset_x = 0, offset_y = 0;
    int printable_width = 0, printable_height = 0;
};

class PrintJob {
public:
    // A device context for the chosen printer; check it with operator bool.
    explicit PrintJob(const PrintChoice& choice);
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;
    ~PrintJob();  // a job started and not finished is taken back

    explicit operator bool() const { return dc_ != nullptr; }
    const std::wstring& failure() const { return failure_; }
    PageFigures figures() const;

    // Each step false on failure, with failure() saying why; then nothing reaches the printer.
    bool start(const std::wstring& document);
    // Draws the drawing into dest (printable-area device units) in bands of its rows.
    bool draw(const Drawing& drawing, const PixelRect& dest);
    Painter painter();  // for anything else on the page, over the whole printable area
    bool finish();

private:
    bool failed(const wchar_t* step, DWORD error);  // error as read where the step failed

    HDC dc_ = nullptr;
    bool started_ = false;
    std::wstring failure_;
};

// True when the printer's queue holds its jobs rather than printing them (paused, stopped).
bool printer_paused(const std::wstring& printer);

// For tests: what the spooler says of a printer's state (PRINTER_STATUS_* bits), in place of
// asking it (Wine's spooler always says 0). An empty function asks the spooler again.
using PrinterStatusAnswerer = std::function<unsigned long(const std::wstring& printer)>;
PrinterStatusAnswerer answer_printer_status_with(PrinterStatusAnswerer answerer);

}  // namespace os

#include "os/printing.h"

#include <cstring>

#include "os/win32.h"

#include <winspool.h>

#include "os/errors.h"
#include "os/system_library.h"
#include "os/trace.h"
#include "picture/pixels.h"

namespace os {
namespace {

// Rows sent to the printer at a time: a stretch to a printer DC takes working memory in
// proportion to the rows it is given (some 8 MB for 150 rows of the 300 dpi card under Wine).
constexpr int kBandRows = 25;

// The spooler, loaded when printing first asks for it.
struct Spooler {
    decltype(::OpenPrinterW)* open_printer = system_function<decltype(::OpenPrinterW)>(L"winspool.drv", "OpenPrinterW");
    decltype(::GetPrinterW)* get_printer = system_function<decltype(::GetPrinterW)>(L"winspool.drv", "GetPrinterW");
    decltype(::ClosePrinter)* close_printer = system_function<decltype(::ClosePrinter)>(L"winspool.drv", "ClosePrinter");

    bool loaded() const { return open_printer && get_printer && close_printer; }
};

const Spooler& spooler() {
    static const Spooler loaded;
    return loaded;
}

}  // namespace

PrintJob::PrintJob(const PrintChoice& choice) {
    const auto* settings = choice.settings.empty() ? nullptr : reinterpret_cast<const DEVMODEW*>(choice.settings.data());
    dc_ = CreateDCW(L"WINSPOOL", choice.printer.c_str(), nullptr, settings);
    if (!dc_) failure_ = L"无法连接打印机「" + choice.printer + L"」: " + system_reason(GetLastError());
}

PrintJob::~PrintJob() {
    if (started_) AbortDoc(dc_);
    if (dc_) DeleteDC(dc_);
}

PageFigures PrintJob::figures() const {
    PageFigures f;
    f.dpi_x = GetDeviceCaps(dc_, LOGPIXELSX);
    f.dpi_y = GetDeviceCaps(dc_, LOGPIXELSY);
    f.page_width = GetDeviceCaps(dc_, PHYSICALWIDTH);
    f.page_height = GetDeviceCaps(dc_, PHYSICALHEIGHT);
    f.offset_x = GetDeviceCaps(dc_, PHYSICALOFFSETX);
    f.offset_y = GetDeviceCaps(dc_, PHYSICALOFFSETY);
    f.printable_width = GetDeviceCaps(dc_, HORZRES);
    f.printable_height = GetDeviceCaps(dc_, VERTRES);
    return f;
}

bool PrintJob::failed(const wchar_t* step, DWORD error) {
    failure_ = std::wstring(step) + L": " + system_reason(error);
    return false;
}

bool PrintJob::start(const std::wstring& document) {
    DOCINFOW info{};
    info.cbSize = sizeof info;
    info.lpszDocName = document.c_str();
    if (StartDocW(dc_, &info) <= 0) return failed(L"无法开始打印", GetLastError());
    started_ = true;
    trace("print.started", document);
    return StartPage(dc_) > 0 || failed(L"无法开始新的一页", GetLastError());
}

bool PrintJob::draw(const Drawing& drawing, const PixelRect& dest) {
    // Each band goes where its rows fall in dest; neighbouring bands share their edge row.
    const double rows_to_dest = static_cast<double>(dest.height()) / drawing.height();
    const auto dest_row = [&](int row) { return dest.top + static_cast<int>(row * rows_to_dest + 0.5); };
    DWORD send_error = ERROR_SUCCESS;
    bool sent = true;
    const bool drawn = render_in_bands(drawing, kBandRows, [&](int top, int rows, const Strip& strip) {
        // Sent as 24-bit rows: the spooler keeps the page's pictures until the page ends, and
        // the unused fourth byte of each pixel would make that a third larger.
        picture::Pixels band(strip.width(), rows);
        for (int row = 0; row < rows; ++row) band.set_row(row, strip.row(row));
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = band.width();
        info.bmiHeader.biHeight = rows;  // bottom-up, as the band keeps them
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        SetStretchBltMode(dc_, HALFTONE);
        SetBrushOrgEx(dc_, 0, 0, nullptr);
        const int y = dest_row(top);
        sent = StretchDIBits(dc_, dest.left, y, dest.width(), dest_row(top + rows) - y, 0, 0, band.width(), rows,
                             band.bytes().data(), &info, DIB_RGB_COLORS, SRCCOPY) > 0;
        if (!sent) send_error = GetLastError();  // now: freeing the band and the strip may change it
        return sent;
    });
    if (!sent) return failed(L"无法把图片送往打印机", send_error);
    if (!drawn) return failed(L"内存不足, 无法画出停车牌", ERROR_NOT_ENOUGH_MEMORY);
    return true;
}

Painter PrintJob::painter() {
    return Painter(dc_, {0, 0, GetDeviceCaps(dc_, HORZRES), GetDeviceCaps(dc_, VERTRES)});
}

bool PrintJob::finish() {
    if (EndPage(dc_) <= 0) return failed(L"打印失败", GetLastError());
    const bool ended = EndDoc(dc_) > 0;
    const DWORD error = ended ? ERROR_SUCCESS : GetLastError();
    started_ = false;
    if (!ended) return failed(L"打印任务没有送到打印机", error);
    trace("print.done");
    return true;
}

namespace {

PrinterStatusAnswerer& status_answerer() {
    static PrinterStatusAnswerer installed;
    return installed;
}

DWORD printer_status(const std::wstring& printer) {
    if (status_answerer()) return status_answerer()(printer);
    HANDLE handle = nullptr;
    const Spooler& spooler = os::spooler();
    if (!spooler.loaded() || !spooler.open_printer(const_cast<wchar_t*>(printer.c_str()), &handle, nullptr)) return 0;
    DWORD needed = 0;
    spooler.get_printer(handle, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    DWORD status = 0;
    if (needed && spooler.get_printer(handle, 2, buffer.data(), needed, &needed))
        status = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data())->Status;
    spooler.close_printer(handle);
    return status;
}

}  // namespace

bool printer_paused(const std::wstring& printer) {
    return (printer_status(printer) & (PRINTER_STATUS_PAUSED | PRINTER_STATUS_ERROR | PRINTER_STATUS_OFFLINE)) != 0;
}

PrinterStatusAnswerer answer_printer_status_with(PrinterStatusAnswerer replacement) {
    PrinterStatusAnswerer previous = std::move(status_answerer());
    status_answerer() = std::move(replacement);
    return previous;
}

}  // namespace os
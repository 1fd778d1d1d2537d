#include "desktop/print_dialog.h"

#include "os/win32.h"

#include <objbase.h>  // before commdlg.h: the newer print dialog needs COM's declarations
#include <cderr.h>
#include <commdlg.h>

#include "desktop/modal.h"
#include "os/system_library.h"
#include "os/trace.h"

namespace desktop {
namespace {

using os::PrintChoice;
using os::trace;

// The common dialogs, loaded when printing first asks for them.
struct DialogLibrary {
    decltype(::PrintDlgW)* print_dialog =
        os::system_function<decltype(::PrintDlgW)>(L"comdlg32.dll", "PrintDlgW");
    decltype(::PrintDlgExW)* print_dialog_ex =
        os::system_function<decltype(::PrintDlgExW)>(L"comdlg32.dll", "PrintDlgExW");
    decltype(::CommDlgExtendedError)* dialog_error =
        os::system_function<decltype(::CommDlgExtendedError)>(L"comdlg32.dll", "CommDlgExtendedError");

    bool loaded() const { return print_dialog && print_dialog_ex && dialog_error; }
};

const DialogLibrary& libraries() {
    static const DialogLibrary loaded;
    return loaded;
}

PrintDialogAnswerer& answerer() {
    static PrintDialogAnswerer installed;
    return installed;
}

// The dialog's memory handles, freed when they go.
struct DialogHandles {
    HGLOBAL devmode = nullptr, devnames = nullptr;
    DialogHandles() = default;
    DialogHandles(const DialogHandles&) = delete;
    DialogHandles& operator=(const DialogHandles&) = delete;
    ~DialogHandles() {
        if (devmode) GlobalFree(devmode);
        if (devnames) GlobalFree(devnames);
    }
};

os::PrintChoice choice_from(const DialogHandles& handles) {
    os::PrintChoice choice;
    if (const auto* names = static_cast<const DEVNAMES*>(GlobalLock(handles.devnames))) {
        choice.printer = reinterpret_cast<const wchar_t*>(names) + names->wDeviceOffset;
        GlobalUnlock(handles.devnames);
    }
    if (const auto* mode = static_cast<const DEVMODEW*>(GlobalLock(handles.devmode))) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(mode);
        choice.settings.assign(bytes, bytes + mode->dmSize + mode->dmDriverExtra);
        GlobalUnlock(handles.devmode);
    }
    return choice;
}

// The default printer's settings, the paper turned as asked, with one copy.
bool default_printer(PaperOrientation orientation, DialogHandles& handles, DWORD& error) {
    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.Flags = PD_RETURNDEFAULT;
    if (!libraries().print_dialog(&dialog)) {
        error = libraries().dialog_error();
        return false;
    }
    handles.devmode = dialog.hDevMode;
    handles.devnames = dialog.hDevNames;
    if (auto* mode = static_cast<DEVMODEW*>(GlobalLock(handles.devmode))) {
        mode->dmFields |= DM_ORIENTATION | DM_COPIES;
        mode->dmOrientation = orientation == PaperOrientation::Portrait ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
        mode->dmCopies = 1;
        GlobalUnlock(handles.devmode);
    }
    return true;
}

// The dialog proper; the newer one where the system has it, the classic one where not.
bool show_dialog(HWND owner, DialogHandles& handles, bool& cancelled, DWORD& error) {
    PRINTDLGEXW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.hDevMode = handles.devmode;
    dialog.hDevNames = handles.devnames;
    dialog.Flags = PD_NOPAGENUMS | PD_NOSELECTION | PD_NOCURRENTPAGE | PD_USEDEVMODECOPIESANDCOLLATE;
    dialog.nCopies = 1;
    dialog.nStartPage = START_PAGE_GENERAL;
    const HRESULT result = libraries().print_dialog_ex(&dialog);
    if (SUCCEEDED(result)) {
        handles.devmode = dialog.hDevMode;
        handles.devnames = dialog.hDevNames;
        cancelled = dialog.dwResultAction != PD_RESULT_PRINT;
        return true;
    }
    os::trace("print_dialog.classic", std::to_wstring(static_cast<long>(result)));
    PRINTDLGW classic{};
    classic.lStructSize = sizeof classic;
    classic.hwndOwner = owner;
    classic.hDevMode = handles.devmode;
    classic.hDevNames = handles.devnames;
    classic.Flags = PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
    classic.nCopies = 1;
    const bool chosen = libraries().print_dialog(&classic) != FALSE;
    handles.devmode = classic.hDevMode;
    handles.devnames = classic.hDevNames;
    error = chosen ? 0 : libraries().dialog_error();
    cancelled = !chosen && error == 0;
    return chosen || cancelled;
}

}  // namespace

std::optional<os::PrintChoice> ask_how_to_print(PaperOrientation orientation, std::wstring* failure) {
    os::trace("print_dialog");
    if (!libraries().loaded()) {
        if (failure) *failure = L"系统缺少打印对话框 (comdlg32.dll)。";
        return std::nullopt;
    }
    DialogHandles handles;
    DWORD error = 0;
    if (!default_printer(orientation, handles, error)) {
        if (failure) *failure = error == PDERR_NODEFAULTPRN ? L"没有可用的打印机。请先安装一台打印机。"
                                                           : L"无法取得默认打印机 (错误代码 " + std::to_wstring(error) + L")。";
        return std::nullopt;
    }
    const HWND owner = modal_owner();
    const Modal modal(owner);
    if (answerer()) return answerer()(choice_from(handles));
    bool cancelled = false;
    if (!show_dialog(owner, handles, cancelled, error)) {
        if (failure) *failure = L"无法打开打印对话框 (错误代码 " + std::to_wstring(error) + L")。";
        return std::nullopt;
    }
    if (cancelled) return std::nullopt;
    return choice_from(handles);
}

PrintDialogAnswerer answer_print_dialogs_with(PrintDialogAnswerer replacement) {
    PrintDialogAnswerer previous = std::move(answerer());
    answerer() = std::move(replacement);
    return previous;
}

}  // namespace desktop

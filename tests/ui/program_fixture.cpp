#include "program_fixture.h"

#include "os/com.h"

// The tests' thread is the program's user-interface thread: it joins COM first thing, as the
// program's start does.
static const os::ComApartment ui_thread_apartment(os::ComApartment::Kind::SingleThreaded);

void ProgramTest::SetUp() {
    desktop::answer_message_boxes_with([this](const desktop::MessageBoxRequest& request) {
        boxes.push_back(request);
        if (while_box_open) while_box_open(request);
        const unsigned buttons = request.flags & 0xF;
        if (buttons == desktop::kYesNo || buttons == desktop::kOkCancel) {
            if (answers.empty()) ADD_FAILURE() << "unexpected question";
            const int answer = answers.empty() ? desktop::kAnswerNo : answers.front();
            if (!answers.empty()) answers.pop_front();
            return answer;
        }
        return static_cast<int>(desktop::kAnswerOk);
    });
    desktop::replace_end_for_tests([this] { ++ends; });
    app_ = std::make_unique<Velmora>();
}

void ProgramTest::TearDown() {
    app_.reset();
    pump_for(20);
    desktop::answer_message_boxes_with({});
    desktop::replace_end_for_tests({});
}

void ProgramTest::TearDownApp() {
    app_.reset();
    pump_for(20);
    app_ = std::make_unique<Velmora>();
}

void ProgramTest::start() {
    app_->start();
    ASSERT_TRUE(pump_until([this] { return panel_shown(); })) << "the watchdog did not show the panel";
}

bool pump_until(const std::function<bool()>& condition, int milliseconds) {
    const DWORD until = GetTickCount() + static_cast<DWORD>(milliseconds);
    while (!condition()) {
        if (static_cast<int>(until - GetTickCount()) <= 0) return condition();
        desktop::do_events();
        Sleep(2);
    }
    return true;
}

void pump_for(int milliseconds) {
    pump_until([] { return false; }, milliseconds);
}

bool ProgramTest::menu_item_checked(Velmora::Command command) {
    for (const desktop::MenuItem& item : app().menu_items())
        if (item.command == command) return item.checked;
    ADD_FAILURE() << "no item for command " << command << " in the menu";
    return false;
}

void ProgramTest::type(const std::wstring& keys) {
    for (const wchar_t key : keys) SendMessageW(panel().number_box.handle(), WM_CHAR, key, 1);
}

void ProgramTest::click(desktop::Control& control) { SendMessageW(control.handle(), BM_CLICK, 0, 0); }

void ProgramTest::put_text_on_clipboard(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

std::wstring ProgramTest::clipboard_text() {
    if (!OpenClipboard(nullptr)) return L"<clipboard not open>";
    std::wstring text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

std::vector<std::wstring> ProgramTest::titles() const {
    std::vector<std::wstring> result;
    for (const auto& box : boxes) result.push_back(box.title);
    return result;
}

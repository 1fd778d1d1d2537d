// Runs the real windows in this process: message boxes are answered through the seam and
// recorded, ending the process is recorded instead, and every test starts with a program of
// its own, no window loaded.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/velmora.h"
#include "desktop/application.h"
#include "desktop/message_box.h"
#include "os/win32.h"

// Lets events run until the condition holds or the time is up; returns the condition.
bool pump_until(const std::function<bool()>& condition, int milliseconds = 3000);
void pump_for(int milliseconds);

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

public:  // for the tables of cases that arrange what a test meets

    Velmora& app() { return *app_; }
    CardWindow& card() { return app_->card(); }
    ControlPanel& panel() { return app_->panel(); }

    // Loads the card as start-up does, answers the usage notice, and waits for the
    // watchdog's first tick to show the panel.
    void start();
    // Ends this program (its windows go) and makes a new one, as a later start would.
    void TearDownApp();
    bool panel_shown() { return app_->panel_loaded() && panel().visible(); }
    // Types characters into the number box as key presses would deliver them.
    void type(const std::wstring& keys);
    static void click(desktop::Control& control);
    static void put_text_on_clipboard(const std::wstring& text);
    static std::wstring clipboard_text();

    std::vector<std::wstring> titles() const;
    // Whether the menus offer the command checked; a failure when they do not offer it.
    bool menu_item_checked(Velmora::Command command);

    std::vector<desktop::MessageBoxRequest> boxes;
    std::deque<int> answers;  // for boxes that ask (Yes/No, OK/Cancel); OK boxes are answered with OK
    std::function<void(const desktop::MessageBoxRequest&)> while_box_open;
    int ends = 0;

private:
    std::unique_ptr<Velmora> app_;
};

// Runs the real windows in this process: message boxes are answered through the seam and
// recorded, ending the process is recorded instead, and every test starts with no window
// loaded.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "desktop/services.h"
#include "desktop/win32.h"
#include "panel/control_panel.h"
#include "sign/sign_window.h"

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the card as start-up does, answers the usage notice, and waits for the
    // watchdog's first tick to show the panel.
    void start();
    // Lets events run until the condition holds or the time is up; returns the condition.
    static bool pump_until(const std::function<bool()>& condition, int milliseconds = 3000);
    static void pump_for(int milliseconds);

    // Types characters into the number box as key presses would deliver them.
    static void type(const std::wstring& keys);
    static void click(desktop::Control& control);
    static void put_text_on_clipboard(const std::wstring& text);
    static std::wstring clipboard_text();
    static bool topmost(const desktop::Form& form);

    std::vector<std::wstring> titles() const;

    std::vector<desktop::MessageBoxRequest> boxes;
    std::deque<int> answers;  // for boxes that ask; OK boxes are answered with OK
    std::function<void(const desktop::MessageBoxRequest&)> while_box_open;
    int ends = 0;
};

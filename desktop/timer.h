// Timers whose ticks arrive as events on the one user-interface thread. They belong to no
// window: whoever owns one switches it off when its work is over.
#pragma once

#include <functional>

#include "os/win32.h"

namespace desktop {

// How a timer's ticks fall due while it is enabled.
enum class Ticking {
    // At every interval.
    Steady,
    // At its interval only while the program's windows change. A timer that watches over the
    // windows and acts only on a difference has nothing to do in between, so after a tick in
    // which no window changed it rests, costing nothing, until a window of the program is
    // loaded, moved, sized, shown, hidden or unloaded, or a timer is switched on or off;
    // its next tick then falls due at its interval as usual.
    WhileWindowsChange,
};

class Timer {
public:
    Timer(unsigned interval_ms, std::function<void()> on_tick, Ticking ticking = Ticking::Steady);
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer();

    bool enabled() const { return enabled_; }
    void set_enabled(bool enabled);
    unsigned interval() const { return interval_; }
    // False while a watching timer rests.
    bool due() const { return platform_id_ != 0; }
    // Ticks that have fallen due so far, whatever their handler made of them.
    unsigned long ticks() const { return ticks_; }

    // Wakes the watching timers: something they watch may have changed.
    static void windows_changed();

private:
    static void CALLBACK on_platform_tick(HWND, UINT, UINT_PTR id, DWORD);
    void tick();
    void arm();
    void disarm();

    unsigned interval_;
    std::function<void()> on_tick_;
    Ticking ticking_;
    bool enabled_ = false;
    UINT_PTR platform_id_ = 0;  // while armed
    unsigned long ticks_ = 0;
};

}  // namespace desktop

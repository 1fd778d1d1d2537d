#include "desktop/timer.h"

#include <algorithm>
#include <vector>

#include "os/failure.h"

namespace desktop {
namespace {

std::vector<Timer*>& all_timers() {
    static std::vector<Timer*> timers;
    return timers;
}

}  // namespace

Timer::Timer(unsigned interval_ms, std::function<void()> on_tick, Ticking ticking)
    : interval_(interval_ms), on_tick_(std::move(on_tick)), ticking_(ticking) {
    all_timers().push_back(this);
}

Timer::~Timer() {
    disarm();
    auto& timers = all_timers();
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
}

void Timer::set_enabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled)
        arm();
    else
        disarm();
    windows_changed();  // a watching timer may wait on this one
}

void Timer::tick() {
    if (!enabled_) return;
    ++ticks_;
    // Rest from now on unless something changes, during this tick or after it.
    if (ticking_ == Ticking::WhileWindowsChange) disarm();
    if (on_tick_) on_tick_();
}

void Timer::arm() {
    if (platform_id_ || !enabled_) return;
    platform_id_ = SetTimer(nullptr, 0, interval_, &Timer::on_platform_tick);
}

void Timer::disarm() {
    if (!platform_id_) return;
    KillTimer(nullptr, platform_id_);
    platform_id_ = 0;
}

void CALLBACK Timer::on_platform_tick(HWND, UINT, UINT_PTR id, DWORD) {
    // A tick already queued when its timer was killed names no timer any more.
    for (Timer* timer : all_timers())
        if (timer->platform_id_ == id) return os::at_boundary("timer", [timer] { timer->tick(); });
}

void Timer::windows_changed() {
    for (Timer* timer : all_timers())
        if (timer->ticking_ == Ticking::WhileWindowsChange) timer->arm();
}

}  // namespace desktop

// Failures that our code throws, and the entry points from the system that stop them: a
// window procedure, a timer callback, a control's subclass procedure. No exception may
// unwind through the system's frames (the 32-bit build cannot unwind through user32 at all:
// there it would end the program), so each entry point runs its work through at_boundary,
// which reports what escaped once, in a message box, and carries on.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace os {

// A failure with the reason the user reads.
class Failure : public std::exception {
public:
    explicit Failure(std::wstring reason) : reason_(std::move(reason)) {}
    const std::wstring& reason() const { return reason_; }
    const char* what() const noexcept override { return "os::Failure"; }

private:
    std::wstring reason_;
};

// What the exception being handled says, in the user's words. Only inside a catch block.
std::wstring reason_of_current_exception();

// Inside a catch block at an entry point from the system: hands what was thrown, in the
// user's words, to the reporter (desktop/services.cpp installs one that traces it and shows
// a message box owned by the program's foremost window).
void report_unexpected_failure(const char* entry) noexcept;
using FailureReporter = void (*)(const char* entry, const std::wstring& reason);
void report_failures_with(FailureReporter reporter);

// Runs work; whatever it throws is reported and on_failure is returned instead.
template <class Result, class Work>
Result at_boundary(const char* entry, Result on_failure, Work&& work) noexcept {
    try {
        return work();
    } catch (...) {
        report_unexpected_failure(entry);
        return on_failure;
    }
}

template <class Work>
void at_boundary(const char* entry, Work&& work) noexcept {
    try {
        work();
    } catch (...) {
        report_unexpected_failure(entry);
    }
}

}  // namespace os

// A window that the program refers to by name. Referring to it while it is not loaded (at
// first, or after it was closed) makes a fresh one and loads it, which runs its on_load.
#pragma once

#include <functional>
#include <memory>

namespace desktop {

template <class F>
class FormSlot {
public:
    using Make = std::function<std::unique_ptr<F>()>;
    explicit FormSlot(Make make) : make_(std::move(make)) {}

    F& get() {
        if (!loaded()) {
            // The closed form may still be on the call stack (its close handler is what
            // unloaded it), so it is kept until the next reload rather than freed here.
            retired_ = std::move(form_);
            form_ = make_();
            form_->load();  // runs on_load, which may refer to this slot again
        }
        return *form_;
    }

    bool loaded() const { return form_ && form_->loaded(); }

private:
    Make make_;
    std::unique_ptr<F> form_;
    std::unique_ptr<F> retired_;
};

}  // namespace desktop

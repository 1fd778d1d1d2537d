// A window that the whole program refers to by name. Referring to it while it is not
// loaded (at first, or after it was closed) loads a fresh one and runs its Form_Load.
#pragma once

#include <memory>

namespace desktop {

template <class F>
class FormSlot {
public:
    F& get() {
        if (!form_ || !form_->loaded()) {
            // The closed form may still be on the call stack (its close handler is what
            // unloaded it), so it is kept until the next reload rather than freed here.
            retired_ = std::move(form_);
            form_ = std::make_unique<F>();
            form_->load();  // runs Form_Load, which may refer to this slot again
        }
        return *form_;
    }

    bool loaded() const { return form_ && form_->loaded(); }

    // Tests: forget every form so the next reference starts from scratch.
    void discard() {
        retired_.reset();
        form_.reset();
    }

private:
    std::unique_ptr<F> form_;
    std::unique_ptr<F> retired_;
};

}  // namespace desktop

#include "desktop/com.h"

namespace desktop {

bool com_ready() {
    static const bool ready = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    return ready;
}

}  // namespace desktop

// Velmora starts by loading its sign window; everything else follows from that window's
// Form_Load.
#include "desktop/services.h"
#include "desktop/win32.h"
#include "sign/sign_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return desktop::run_program([] { Form1(); });
}

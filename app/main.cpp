// Velmora starts by loading its card; everything else follows from that window's loading.
#include "app/velmora.h"
#include "desktop/application.h"
#include "desktop/win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Velmora velmora;
    return desktop::run([&] { velmora.start(); });
}

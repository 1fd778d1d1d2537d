// Velmora starts by loading its card; everything else follows from that window's loading.
// Given a command line, it writes the card as a picture instead and shows no window.
#include "app/velmora.h"
#include "desktop/application.h"
#include "desktop/com.h"
#include "desktop/win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    desktop::set_identity(velmora_identity());
    // This is the user-interface thread: it joins COM before anything can ask for it.
    const desktop::ComApartment apartment(desktop::ComApartment::Kind::SingleThreaded);
    const CommandLine command = parse_command_line(desktop::command_line_arguments());
    if (command.mode != CommandLine::Mode::Interactive) return run_command_line(command, velmora_card_drawing(command.qr));

    Velmora velmora;
    return desktop::run([&] { velmora.start(); });
}

// Velmora starts by loading its card; everything else follows from that window's loading.
// Given a command line, it writes the card as a picture instead and shows no window.
#include "app/velmora.h"
#include "desktop/application.h"
#include "os/com.h"
#include "os/trace.h"
#include "os/win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    os::start_trace(velmora_identity().trace_variable);
    // This is the user-interface thread: it joins COM before anything can ask for it.
    const os::ComApartment apartment(os::ComApartment::Kind::SingleThreaded);
    const CommandLine command = parse_command_line(desktop::command_line_arguments());
    if (command.mode != CommandLine::Mode::Interactive)
        return run_command_line(command, velmora_card_drawing(command.qr, command.style));

    Velmora velmora;
    return desktop::run([&] { velmora.start(); });
}

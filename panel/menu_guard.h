// Module1: keeps the number box from opening its context menu. A procedure of our own sits
// in front of the box's window procedure, swallows the context-menu request and hands every
// other message on unchanged.
#pragma once

#include "desktop/window_procedure.h"

namespace Module1 {

// The procedure the guard replaced. One slot: the program guards one box at a time.
extern desktop::WindowProcedure SavedWndProc;

void InstallMenuGuard(HWND box);
void RemoveMenuGuard(HWND box);
LRESULT CALLBACK MenuGuardProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace Module1

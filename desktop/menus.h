// Menus of commands: a popup menu where the user right-clicks, and items added to a window's
// system menu (its caption icon, Alt+Space).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "os/win32.h"

namespace desktop {

struct MenuItem {
    int command = 0;  // 0: a separator. Commands that go into a system menu are multiples of 16 below 0xF000.
    std::wstring text;
    bool checked = false;
};
using MenuItems = std::vector<MenuItem>;

// A window's menu: its items as they are when it opens, and what choosing one does.
struct WindowMenu {
    std::function<MenuItems()> items;
    std::function<void(int command)> run;
    bool in_system_menu = false;
    bool on_right_click = false;
};

// Shows the items as a popup menu at a point on the screen; the command chosen, 0 for none.
int show_popup_menu(const MenuItems& items, POINT at);

// Puts the items at the end of a system menu, after a separator, replacing those put there
// before.
void refresh_system_menu(HMENU menu, const MenuItems& items);

}  // namespace desktop

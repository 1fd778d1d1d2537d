#include "desktop/menus.h"

#include "desktop/modal.h"
#include "os/trace.h"

namespace desktop {
namespace {

// An owner for a menu the program builds.
class OwnedMenu {
public:
    OwnedMenu() : menu_(CreatePopupMenu()) {}
    OwnedMenu(const OwnedMenu&) = delete;
    OwnedMenu& operator=(const OwnedMenu&) = delete;
    ~OwnedMenu() {
        if (menu_) DestroyMenu(menu_);
    }
    HMENU get() const { return menu_; }

private:
    HMENU menu_;
};

void append(HMENU menu, const MenuItem& item) {
    if (item.command == 0)
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    else
        AppendMenuW(menu, MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED), static_cast<UINT_PTR>(item.command),
                    item.text.c_str());
}

// Ours are the items after the last of the system's own commands (which are 0xF000 and up).
int first_item_of_ours(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = count - 1; i >= 0; --i)
        if (GetMenuItemID(menu, i) >= 0xF000 && GetMenuItemID(menu, i) != static_cast<UINT>(-1)) return i + 1;
    return count;
}

}  // namespace

int show_popup_menu(const MenuItems& items, POINT at) {
    const OwnedMenu menu;
    if (!menu.get()) return 0;
    for (const MenuItem& item : items) append(menu.get(), item);
    // The menu closes when the user clicks elsewhere only if its owner is in the foreground.
    const HWND owner = modal_owner();
    SetForegroundWindow(owner);
    os::trace("menu");
    const int command = static_cast<int>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                        at.x, at.y, 0, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    return command;
}

void refresh_system_menu(HMENU menu, const MenuItems& items) {
    for (int i = GetMenuItemCount(menu) - 1; i >= first_item_of_ours(menu); --i) DeleteMenu(menu, i, MF_BYPOSITION);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    for (const MenuItem& item : items) append(menu, item);
}

}  // namespace desktop

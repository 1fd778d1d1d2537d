#!/usr/bin/python3
"""Takes the README's pictures from the real program on the test desktop.

    /usr/bin/python3 tools/docs_pictures.py        # needs build/velmora.exe and build/winprobe.exe

Writes docs/velmora.png (the card and the panel), docs/menu.png (the card's right-click menu
and the panel's system menu), docs/save-as.png (the Save As dialog), docs/velmora-150.png
(at 150 % display scale), docs/qr-card.png (the card with its QR code) and
docs/printed-page.png (a printed A4 page as the PDF queue made it).
"""

import shutil
import sys
import tempfile
import time
from pathlib import Path

from PIL import Image

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from desktop import BUILD, REPO, Desktop, wait_for  # noqa: E402
from print_queue import render_page  # noqa: E402

DOCS = REPO / "docs"
NUMBER = "13800138000"


def start(desk, panel_at):
    folder = Path(tempfile.mkdtemp(prefix="docs-", dir=desk.workdir))
    shutil.copy(BUILD / "velmora.exe", folder / "velmora.exe")
    desk.run_wine(["reg", "delete", "HKCU\\Software\\Velmora", "/f"], check=False)
    desk.launch(folder / "velmora.exe")
    desk.wait_window(title="^使用前提示$", exe="velmora.exe")
    desk.press_in("使用前提示", "Return")
    panel = desk.wait_window(title="^控制面板 ", exe="velmora.exe")
    desk.probe("move", panel["hwnd"], *panel_at)
    wait_for(lambda: desk.probe("window", panel["hwnd"])["rect"]["left"] == panel_at[0], 5)
    edit = next(c for c in desk.probe("children", panel["hwnd"]) if c["class"] == "Edit")
    desk.click((edit["rect"]["left"] + edit["rect"]["right"]) // 2, (edit["rect"]["top"] + edit["rect"]["bottom"]) // 2)
    desk.type_text(NUMBER)
    desk.move(desk.screen[0] - 5, desk.screen[1] - 5)
    time.sleep(1)
    return folder


def menu_picture(desk, margin=12):
    """The popup menu that is open, with a little of what lies around it."""
    r = desk.wait_window(cls="#32768", exe="velmora.exe")["rect"]
    time.sleep(0.5)
    return desk.screenshot().crop((r["left"] - margin, r["top"] - margin, r["right"] + margin, r["bottom"] + margin))


def shot(desk, box, name, scale=1.0):
    image = desk.screenshot().crop(box)
    if scale != 1.0:
        image = image.resize((round(image.width * scale), round(image.height * scale)), Image.LANCZOS)
    image.save(DOCS / name, optimize=True)
    print(f"docs/{name}: {image.width} x {image.height}")


def main():
    DOCS.mkdir(exist_ok=True)
    with Desktop(screen=(1280, 800)) as desk:
        start(desk, (820, 580))
        shot(desk, (0, 0, 1280, 800), "velmora.png", 0.75)
        desk.click(600, 120, button=3)
        card_menu = menu_picture(desk)
        desk.key("Escape")
        time.sleep(0.5)
        desk.key("alt+space")
        system_menu = menu_picture(desk)
        desk.key("Escape", "Escape")  # the menu, then the menu mode of the title bar
        menus = Image.new("RGB", (card_menu.width + system_menu.width + 20, max(card_menu.height, system_menu.height)),
                          (255, 255, 255))
        menus.paste(card_menu, (0, 0))
        menus.paste(system_menu, (card_menu.width + 20, 0))
        menus.save(DOCS / "menu.png", optimize=True)
        print(f"docs/menu.png: {menus.width} x {menus.height}")

        desk.key("ctrl+shift+s")
        dialog = desk.wait_window(title="^另存为$", exe="velmora.exe")
        time.sleep(1)
        r = dialog["rect"]
        shot(desk, (r["left"], r["top"], r["right"], r["bottom"]), "save-as.png", 0.8)
        desk.key("Escape")
        time.sleep(0.5)

        desk.click(600, 120, button=3)
        desk.wait_window(cls="#32768", exe="velmora.exe")
        desk.key("Down", "Down", "Down", "Down", "Return")  # the QR code on
        desk.move(desk.screen[0] - 5, desk.screen[1] - 5)
        time.sleep(1)
        shot(desk, (0, 0, 1199, 548), "qr-card.png", 0.6)

        desk.key("ctrl+p")
        desk.wait_window(title="^打印$", exe="velmora.exe", cls="#32770")
        desk.press_in("打印", "Return")
        wait_for(lambda: desk.find_windows(title="^打印$", exe="velmora.exe", cls="#32770"), 10)
        desk.press_in("打印", "Return")
        page = render_page(desk.print_queue.next_pdf(60), 60, desk.workdir)
        page.save(DOCS / "printed-page.png", optimize=True)
        print(f"docs/printed-page.png: {page.width} x {page.height}")

    with Desktop(screen=(1920, 1200), dpi=144) as scaled:
        start(scaled, (1300, 880))
        shot(scaled, (0, 0, 1920, 1200), "velmora-150.png", 0.5)


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Takes the README's pictures from the real program on the test desktop.

    /usr/bin/python3 tools/docs_pictures.py        # needs build/velmora.exe and build/winprobe.exe

Writes docs/velmora.png (the card and the panel), docs/menu.png (the card's right-click menu
and the panel's system menu), docs/save-as.png (the Save As dialog), docs/velmora-150.png
(at 150 % display scale), docs/qr-card.png (the card with its QR code) and
docs/printed-page.png (a printed A4 page as the PDF queue made it), docs/bw-card.png (the
black-and-white card with its code), docs/printed-two-a-page.png (two of them printed on a
page) and docs/pdf-a4-page.png (the A4 page of the card's PDF).
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


def switch(desk, item):
    """Switches the card menu's ITEMth command (counted from the top, the line not counted)."""
    desk.click(600, 120, button=3)
    desk.wait_window(cls="#32768", exe="velmora.exe")
    desk.key(*["Down"] * item, "Return")
    desk.move(desk.screen[0] - 5, desk.screen[1] - 5)
    time.sleep(1)


def print_it(desk):
    """Ctrl+P: the dialog, the size note and the report accepted, one window after the other."""
    desk.key("ctrl+p")
    seen = set()
    for _ in ("the dialog", "the size note", "the report"):
        box = wait_for(lambda: next((w for w in desk.find_windows(title="^打印$", exe="velmora.exe", cls="#32770")
                                     if w["hwnd"] not in seen), None), 20)
        seen.add(box["hwnd"])
        desk.press_in("打印", "Return")


def shot(desk, box, name, scale=1.0):
    image = desk.screenshot().crop(box)
    if scale != 1.0:
        image = image.resize((round(image.width * scale), round(image.height * scale)), Image.LANCZOS)
    image.save(DOCS / name, optimize=True)
    print(f"docs/{name}: {image.width} x {image.height}")


def main():
    DOCS.mkdir(exist_ok=True)
    with Desktop(screen=(1280, 800)) as desk:
        folder = start(desk, (820, 580))
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

        switch(desk, 4)  # the QR code on
        shot(desk, (0, 0, 1199, 548), "qr-card.png", 0.6)

        print_it(desk)
        page = render_page(desk.print_queue.next_pdf(60), 60, desk.workdir)
        page.save(DOCS / "printed-page.png", optimize=True)
        print(f"docs/printed-page.png: {page.width} x {page.height}")

        switch(desk, 5)  # 黑白省墨 on
        shot(desk, (0, 0, 1199, 548), "bw-card.png", 0.6)
        switch(desk, 6)  # 每页两张 on
        print_it(desk)
        page = render_page(desk.print_queue.next_pdf(60), 40, desk.workdir)
        page.save(DOCS / "printed-two-a-page.png", optimize=True)
        print(f"docs/printed-two-a-page.png: {page.width} x {page.height}")

        pdf = Path(tempfile.mkdtemp(prefix="docs-", dir=desk.workdir)) / "card.pdf"
        desk.run_wine([folder / "velmora.exe", "--number", NUMBER, "--out", "Z:" + str(pdf).replace("/", "\\"),
                       "--page", "a4"])
        page = render_page(pdf, 40, desk.workdir)
        page.save(DOCS / "pdf-a4-page.png", optimize=True)
        print(f"docs/pdf-a4-page.png: {page.width} x {page.height}")

    with Desktop(screen=(1920, 1200), dpi=144) as scaled:
        start(scaled, (1300, 880))
        shot(scaled, (0, 0, 1920, 1200), "velmora-150.png", 0.5)


if __name__ == "__main__":
    main()

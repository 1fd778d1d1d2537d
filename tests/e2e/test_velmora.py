#!/usr/bin/python3
"""End-to-end tests: the real velmora.exe under Wine on Xvfb with openbox, driven by real
keystrokes and clicks, checked through screenshots and the files it writes.

    /usr/bin/python3 tests/e2e/with_desktop.py -- /usr/bin/python3 tests/e2e/test_velmora.py

Screenshots of each test's last look are kept in build/e2e-screens/ for people to see.
"""

import contextlib
import io
import json
import math
import os
import re
import signal
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

from PIL import Image, ImageChops

sys.path.insert(0, str(Path(__file__).resolve().parent))
from desktop import BUILD, REPO, Desktop, attach, linux_pid_of, wait_equal, wait_for  # noqa: E402
from print_queue import pdf_pages, render_page  # noqa: E402

EXE = BUILD / "velmora.exe"
ARTWORK = REPO / "assets" / "card.bmp"
SCREENS = BUILD / "e2e-screens"

CARD = (0, 0, 1199, 548)  # the card window on screen
YELLOW, WHITE, BLACK, GREY = (0xFF, 0xFF, 0x33), (255, 255, 255), (0, 0, 0), (51, 51, 51)
SW_MAXIMIZE, SW_MINIMIZE = 3, 6
SAVED_NAME = "保存的临时停车牌_{}.bmp"

LAYOUT = json.loads((REPO / "assets" / "card_layout.json").read_text())


def px(twips):
    return (twips + 7) // 15


def _slots_and_boxes(layout):
    """The digit slots on screen, as (left, top, right, bottom), and the white box under each."""
    s, b = layout["slots"], layout["boxes"]
    slots = [(px(left), px(s["top_twips"]), px(left + s["width_twips"]), px(s["top_twips"] + s["height_twips"]))
             for left in s["lefts_twips"]]
    boxes = [(b["first_left"] + b["pitch"] * k, b["top"], b["first_left"] + b["pitch"] * k + b["width"], b["bottom"] + 1)
             for k in range(b["count"])]
    return slots, boxes


SLOTS, BOXES = _slots_and_boxes(LAYOUT)

desk = None


def setUpModule():
    global desk
    SCREENS.mkdir(parents=True, exist_ok=True)
    desk = attach()
    desk.__enter__()


def tearDownModule():
    if desk:
        desk.close()


def box_of(rect):
    return (rect["left"], rect["top"], rect["right"], rect["bottom"])


def centre(rect):
    return ((rect["left"] + rect["right"]) // 2, (rect["top"] + rect["bottom"]) // 2)


def overlaps(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def differing_pixels(a, b, ignore=()):
    """Coordinates where two equally sized images differ, outside the ignored boxes."""
    diff = ImageChops.difference(a, b).convert("L").point(lambda v: 255 if v else 0)
    for box in ignore:
        diff.paste(0, box)
    bbox = diff.getbbox()
    return [] if bbox is None else [p for p in _nonzero(diff, bbox)]


def _nonzero(mask, bbox):
    left, top, right, bottom = bbox
    data = mask.crop(bbox).load()
    return [(left + x, top + y) for y in range(bottom - top) for x in range(right - left) if data[x, y]]


def row_differences(picture, reference):
    """For each row of two equally sized pictures, how far apart they are: the mean difference
    in its worst channel, each pixel matched with the nearest of the reference's pixels at
    most a row and a column away. Edges a pixel apart, as printing and measuring leave them,
    do not count; a row lost or moved does."""
    nearest = None
    for dx in (-1, 0, 1):
        for dy in (-1, 0, 1):
            difference = ImageChops.difference(picture, ImageChops.offset(reference, dx, dy))
            nearest = difference if nearest is None else ImageChops.darker(nearest, difference)
    means = nearest.resize((1, picture.height), Image.BOX)
    return [max(means.getpixel((0, y))) for y in range(picture.height)]


def ink_box(shot, box):
    """Bounding box of the dark pixels inside box, in screen coordinates, or None."""
    region = shot.crop(box).convert("L").point(lambda v: 255 if v < 128 else 0)
    bbox = region.getbbox()
    return None if bbox is None else (box[0] + bbox[0], box[1] + bbox[1], box[0] + bbox[2] - 1, box[1] + bbox[3] - 1)


class Velmora(unittest.TestCase):
    """A fresh copy of the program in a folder of its own for every test."""

    desk = None  # the desktop the tests run on; a class may bring its own

    def setUp(self):
        self.desk = type(self).desk or desk
        self.folder = Path(tempfile.mkdtemp(prefix="run-", dir=self.desk.workdir))
        shutil.copy(EXE, self.folder / "velmora.exe")
        self.trace = self.folder / "trace.log"
        self.proc = None
        self.addCleanup(self.stop)

    @contextlib.contextmanager
    def own_desktop(self, **desktop_args):
        """A desktop of the case's own (another screen or scale, no printer), with a fresh
        copy of the program in a folder of its own; torn down after the case."""
        with Desktop(**desktop_args) as own:
            self.desk = own
            self.folder = Path(tempfile.mkdtemp(prefix="run-", dir=own.workdir))
            shutil.copy(EXE, self.folder / "velmora.exe")
            self.trace = self.folder / "trace.log"
            try:
                yield own
            finally:
                self.stop()

    def stop(self):
        subprocess.run(["chattr", "-i", str(self.folder)], capture_output=True)
        try:
            SCREENS.joinpath(f"{self.id().split('.')[-1]}.png").unlink(missing_ok=True)
            self.desk.screenshot(SCREENS / f"{self.id().split('.')[-1]}.png")
        except Exception:  # a screenshot for people only; never the reason a test fails
            pass
        if self.proc and self.proc.returncode is None:
            self.proc.stop(3)
        wait_for(lambda: not self.desk.find_windows(exe="velmora.exe", visible=None), 10, 0.1,
                 "velmora's windows to go")

    # -- starting

    def launch(self, exe=None, **extra_env):
        env = {"VELMORA_TRACE": wine_path(self.trace), **extra_env}
        self.proc = self.desk.launch(exe or self.folder / "velmora.exe", extra_env=env)
        return self.proc

    def notice(self):
        return self.desk.wait_window(title="^使用前提示$", exe="velmora.exe")

    def start(self, exe=None, **extra_env):
        """Starts the program, closes the usage notice with Enter, waits for the panel."""
        self.launch(exe, **extra_env)
        self.notice()
        self.desk.press_in("使用前提示", "Return")
        return self.panel()

    # -- looking

    def panel(self, timeout=10):
        return self.desk.wait_window(title="^控制面板 ", exe="velmora.exe", timeout=timeout)

    def card(self):
        return self.desk.wait_window(cls="Velmora.Card", exe="velmora.exe", visible=None)

    def controls(self):
        return self.desk.probe("children", self.panel()["hwnd"])

    def control(self, text=None, cls=None):
        found = [c for c in self.controls() if (text is None or c["text"] == text) and (cls is None or c["class"] == cls)]
        self.assertEqual(len(found), 1, f"one control {text or cls}")
        return found[0]

    def number(self):
        return self.control(cls="Edit")["text"]

    def wait_number(self, expected):
        wait_equal(self.number, expected, 5, what="the number box's text")

    def traced(self, event, detail=None):
        """Whether the trace holds EVENT (with DETAIL, when given)."""
        if not self.trace.exists():
            return False
        for line in self.trace.read_text(encoding="utf-8").splitlines():
            _, name, *rest = line.split(" ", 2)
            if name == event and (detail is None or rest == [detail]):
                return True
        return False

    def focus(self):
        return self.desk.probe("focus", self.panel()["hwnd"])["focus"]["hwnd"]

    # -- doing

    def click(self, text):
        self.desk.click(*centre(self.control(text)["rect"]))

    def type_number(self, keys):
        """Clicks into the number box, waits for it to have the focus, types."""
        edit = self.control(cls="Edit")
        self.desk.click(*centre(edit["rect"]))
        wait_for(lambda: self.focus() == edit["hwnd"], 5, what="the number box to have the focus")
        self.desk.type_text(keys, delay_ms=25)

    def assert_typing_takes_nothing(self, keys, before):
        """Types KEYS, then a digit: once the digit is in, anything KEYS would have entered
        has arrived too, so the box must hold BEFORE and the digit."""
        self.type_number(keys + "7")
        self.wait_number(before + "7")
        self.desk.key("BackSpace")
        self.wait_number(before)

    def settled_card(self, scale=1):
        """A screenshot once two in a row agree on the card (repaints are done)."""
        box = (0, 0, round(CARD[2] * scale), round(CARD[3] * scale))
        previous = self.desk.screenshot().crop(box)
        for _ in range(20):
            time.sleep(0.15)
            shot = self.desk.screenshot().crop(box)
            if not differing_pixels(previous, shot):
                return shot
            previous = shot
        self.fail("the card kept changing")

    def move_panel_to(self, x, y):
        """Puts the panel away from the card (through Win32: a drag's timing is the window
        manager's, not the program's) and waits until it is there."""
        hwnd = self.panel()["hwnd"]
        self.desk.probe("move", hwnd, x, y)
        wait_for(lambda: (self.panel()["rect"]["left"], self.panel()["rect"]["top"]) == (x, y), 10,
                 what="the panel at its new place")

    def answer(self, title, key):
        """Presses KEY in the box TITLE, then waits for the box to go and the number box to
        have the keyboard focus again: keys typed before would land elsewhere."""
        desk.press_in(title, key)
        wait_for(lambda: not desk.find_windows(title=f"^{re.escape(title)}$", exe="velmora.exe"), 10,
                 what=f"{title} to close")
        edit = self.control(cls="Edit")["hwnd"]
        wait_for(lambda: self.focus() == edit and desk.focused_title().startswith("控制面板"), 10,
                 what="the number box to have the focus")

    def save_and_confirm(self):
        self.click("保存为图片")
        self.desk.wait_window(title="^号码确认$", exe="velmora.exe")
        self.desk.press_in("号码确认", "Return")  # No, the default, continues

    def save_as(self, typed, written):
        """In the open Save As dialog, replaces the whole name with TYPED and presses Return;
        waits for the file WRITTEN and for the dialog to close."""
        desk.press_in("另存为", "End", "shift+Home")  # the whole name, in any edit box
        desk.type_text(wine_path(typed))
        desk.key("Return")
        wait_for(written.exists, 15, what=f"{written.name} written")
        wait_for(lambda: not desk.find_windows(title="^另存为$", exe="velmora.exe"), 10, what="the dialog to close")

    def print_through_the_dialog(self, accept=True):
        """Ctrl+P, the dialog answered from the keyboard; returns the size note's text, if
        one came, after accepting it."""
        desk.key("ctrl+p")
        desk.wait_window(title="^打印$", exe="velmora.exe", cls="#32770")
        desk.press_in("打印", "Return" if accept else "Escape")
        if not accept:
            return None
        note = wait_for(lambda: self.box_saying("厘米打印"), 10, what="the size note")
        desk.press_in("打印", "Return")
        return note

    # The options of the card's menu: how many Down presses reach each (past copy, Save As and
    # print; the line is skipped), and the name the program remembers it by.
    OPTIONS = {"QrCode": 4, "BlackAndWhite": 5, "TwoCardsPerPage": 6}

    def forget_options(self):
        """Every option as before the program ever ran, now and when the test ends."""
        desk.run_wine(["reg", "delete", "HKCU\\Software\\Velmora", "/f"], check=False)

    def switch_option(self, name, on=True):
        """Switches an option through the card's menu and waits until the program has taken it
        (it remembers it as it switches): only then does the card show what it means."""
        desk.click(600, 120, button=3)  # the card's menu
        desk.wait_window(cls="#32768", exe="velmora.exe")
        desk.key(*["Down"] * self.OPTIONS[name], "Return")
        wait_equal(lambda: self.remembered_option(name), on, 10, what=f"{name} switched")

    def remembered_option(self, name):
        """An option as the program remembers it: True, False, or None before it ever was."""
        r = desk.run_wine(["reg", "query", "HKCU\\Software\\Velmora", "/v", name], check=False)
        value = re.search(name + r"\s+REG_DWORD\s+0x([0-9a-f]+)", r.stdout, re.I)
        return None if value is None else int(value.group(1), 16) != 0

    def box_saying(self, words):
        """The text of the program's message box that holds WORDS, or None."""
        for box in desk.find_windows(cls="#32770", exe="velmora.exe"):
            text = desk.probe("msgbox", box["hwnd"])["text"] or ""
            if words in text:
                return text
        return None

    def kill(self):
        """Ends the program at once, as a crash or the task manager would."""
        pid = wait_for(lambda: linux_pid_of(self.folder / "velmora.exe"), 5, what="velmora's process")
        os.kill(pid, signal.SIGKILL)
        self.proc.wait(10)

    # -- the written picture

    def assert_card_picture(self, path, number):
        """The file is the whole card: the artwork wherever no slot lies, the number's
        characters in their boxes and nothing in the boxes past its end."""
        with Image.open(path) as picture:
            self.assertEqual(picture.size, CARD[2:])
            picture = picture.convert("RGB")
        artwork = Image.open(ARTWORK).convert("RGB").crop(CARD)
        self.assertEqual(differing_pixels(picture, artwork, SLOTS), [], "the artwork outside the slots")
        for k, box in enumerate(BOXES):
            ink = ink_box(picture, box)
            if k < len(number):
                self.assertIsNotNone(ink, f"box {k + 1} shows no {number[k]}")
                self.assertGreater(ink[3] - ink[1], 60, f"box {k + 1}: not a digit's height")
            else:
                self.assertIsNone(ink, f"box {k + 1} past the number's end")


def wine_path(path):
    return "Z:" + str(path).replace("/", "\\")


TEMPORARY = re.compile(r"^velmora-unfinished-[0-9a-f]{8}\.tmp$")


class StartUp(Velmora):
    def test_card_at_the_corner_with_the_notice_over_it_and_nothing_else(self):
        self.launch()
        notice = self.notice()
        card = self.card()
        self.assertEqual(box_of(card["rect"]), CARD)
        self.assertTrue(card["visible"])
        self.assertEqual(desk.find_windows(title="^控制面板", exe="velmora.exe"), [], "panel before OK")
        box = desk.probe("msgbox", notice["hwnd"])
        self.assertEqual(box["text"], "保存图片时,主窗体上面不允许有任何软件的遮挡。\r\n否则无法保存成完整的图片!")

        shot = self.settled_card()
        under_notice = box_of(notice["rect"])
        artwork = Image.open(ARTWORK).convert("RGB").crop(CARD)
        # Unscaled artwork wherever neither the notice nor a slot's "*" lies over it.
        self.assertEqual(differing_pixels(shot, artwork, [under_notice, *SLOTS]), [])
        visible = [k for k, b in enumerate(BOXES) if not overlaps(b, under_notice)]
        self.assertGreater(len(visible), 5)
        for k in visible:  # white interiors beside the asterisks
            left, top, right, bottom = BOXES[k]
            for point in [(left, top), (right - 1, bottom - 1), (left + 2, bottom - 3)]:
                self.assertEqual(shot.getpixel(point), WHITE, f"box {k + 1} at {point}")
        self.assertEqual(shot.getpixel((600, 260)), YELLOW)
        line, band = LAYOUT["bottom_line"], LAYOUT["band"]
        for y in (line["top"], (line["top"] + line["bottom"]) // 2, line["bottom"]):
            self.assertEqual(shot.getpixel((20, y)), BLACK)
        self.assertEqual(shot.getpixel((20, (band["top"] + band["bottom"]) // 2)), GREY)
        self.assertEqual(desk.screenshot().getpixel((1199, 10)), BLACK, "nothing of the program right of the card")

    def test_after_ok_the_watchdog_shows_the_topmost_panel_and_keeps_windows_in_shape(self):
        self.launch()
        self.notice()
        self.settled_card()  # the notice stays: the panel waits for it
        self.assertEqual(desk.find_windows(title="^控制面板", exe="velmora.exe"), [])
        desk.press_in("使用前提示", "Return")
        panel = self.panel()
        self.assertTrue(panel["topmost"])
        self.assertFalse(self.card()["topmost"])
        width, height = panel["rect"]["right"] - panel["rect"]["left"], panel["rect"]["bottom"] - panel["rect"]["top"]
        self.assertEqual((width, height), (287, 182))
        self.assertLessEqual(abs(centre(panel["rect"])[0] - 640), 1)
        self.assertLessEqual(abs(centre(panel["rect"])[1] - 512), 4)
        wait_for(lambda: self.focus() == self.control(cls="Edit")["hwnd"], 5, what="the number box focused")

        # Minimised panel and maximised card are back to normal at their sizes at once.
        desk.probe("show", panel["hwnd"], SW_MINIMIZE)
        desk.probe("show", self.card()["hwnd"], SW_MAXIMIZE)
        wait_for(lambda: not self.panel()["iconic"] and box_of(self.card()["rect"]) == CARD
                 and not self.card()["zoomed"], 3, what="both windows back to normal")
        rect = self.panel()["rect"]
        self.assertEqual((rect["right"] - rect["left"], rect["bottom"] - rect["top"]), (287, 182))

    def test_a_second_copy_ends_without_showing_anything(self):
        self.start()
        self.move_panel_to(500, 800)  # its blinking caret off the card
        before = self.settled_card()
        second = desk.launch(self.folder / "velmora.exe")
        self.assertEqual(second.wait(10), 0)
        self.assertEqual(len(desk.find_windows(cls="Velmora.Card", exe="velmora.exe", visible=None)), 1)
        self.assertEqual(desk.find_windows(title="^使用前提示$"), [])
        self.assertEqual(differing_pixels(before, self.settled_card()), [])
        self.assertIsNone(self.proc.returncode, "the first copy runs on")


class Panel(Velmora):
    HAND = ["退出程序", "保存为图片", "关于程序", "8位", "11位", "隐藏主窗体"]
    ORDINARY = ["本窗体置于前端", "电话号码:", "号码位数:"]

    def cursor_over(self, control, is_expected):
        """Moves the pointer over CONTROL and waits for the cursor the test expects."""
        desk.move(*centre(control["rect"]))

        def expected_cursor():
            cursor = desk.cursor_image()
            return cursor if is_expected(cursor) else None
        return wait_for(expected_cursor, 5, 0.05, f"the cursor over {control['text'] or control['class']}")

    def test_the_hand_cursor_shows_over_six_controls_only(self):
        self.start()
        controls = {c["text"]: c for c in self.controls()}
        is_hand = lambda c: (c.xhot, c.yhot) == (12, 2)  # noqa: E731
        for text in self.HAND:
            with self.subTest(control=text):
                self.assertEqual(self.cursor_over(controls[text], is_hand).image.size, (32, 32))
        for text in self.ORDINARY + [""]:  # "" is the number box
            with self.subTest(control=text or "number box"):
                self.cursor_over(controls["退出程序"], is_hand)  # so that a change must show
                self.cursor_over(controls[text], lambda c: not is_hand(c))

    def test_no_context_menu_in_the_number_box(self):
        self.start()
        self.type_number("138")
        self.wait_number("138")
        edit = self.control(cls="Edit")
        desk.click(*centre(edit["rect"]), button=3)
        desk.key("shift+F10")
        desk.key("Menu")
        self.assert_typing_takes_nothing("", "138")  # by now a menu would be up
        self.assertEqual(desk.find_windows(cls="#32768"), [], "a popup menu opened")

    def test_closed_panel_comes_back_at_once_in_its_state_at_load(self):
        self.start()
        self.move_panel_to(500, 800)
        self.type_number("1380")
        self.wait_number("1380")
        panel = self.panel()
        desk.click(panel["rect"]["right"] - 10, panel["rect"]["top"] + 10)  # the close button
        wait_for(lambda: self.traced("unload", "Velmora.Panel"), 5, what="the panel to unload")
        reloaded = self.panel()
        self.assertNotEqual(reloaded["hwnd"], panel["hwnd"])
        self.assertTrue(reloaded["topmost"])
        self.assertEqual(self.number(), "")
        self.assertEqual(self.control("11位")["check"], 1)
        self.assertEqual(self.control("8位")["check"], 0)
        # The card keeps the digits it showed (the panel, centred again, covers a few boxes).
        shot = self.settled_card()
        uncovered = [k for k in range(11) if not overlaps(BOXES[k], box_of(reloaded["rect"]))]
        self.assertTrue({0, 1, 10} <= set(uncovered))
        for k in uncovered:
            self.assertEqual(ink_box(shot, BOXES[k]) is not None, k < 4, f"box {k + 1}")

    def test_hide_switch_hides_the_card_and_greys_saving(self):
        self.start()
        self.click("隐藏主窗体")
        wait_for(lambda: not self.card()["visible"], 3, what="card hidden")
        self.assertFalse(self.control("保存为图片")["enabled"])
        self.type_number("5")  # the watchdog has had its ticks by the time the digit is in
        self.wait_number("5")
        self.assertFalse(self.card()["visible"], "the watchdog leaves it hidden")
        self.click("隐藏主窗体")
        wait_for(lambda: self.card()["visible"], 3, what="card shown")
        self.assertTrue(self.control("保存为图片")["enabled"])

    def test_exit_ends_the_process_at_once(self):
        self.start()
        self.click("退出程序")
        self.assertEqual(self.proc.wait(5), 0)


class Typing(Velmora):
    def test_each_digit_stands_in_the_middle_of_its_box(self):
        self.start()
        self.move_panel_to(500, 800)
        self.type_number("13800138000")
        self.wait_number("13800138000")
        shot = self.settled_card()
        shot.save(SCREENS / "card-13800138000.png")
        for k, box in enumerate(BOXES):
            with self.subTest(box=k + 1):
                ink = ink_box(shot, box)
                self.assertIsNotNone(ink)
                left, top, right, bottom = box
                self.assertGreater(ink[0], left, "touches the left border")
                self.assertLess(ink[2], right - 1, "touches the right border")
                self.assertGreater(ink[1], top)
                self.assertLess(ink[3], bottom - 1)
                self.assertLessEqual(abs((ink[0] + ink[2]) / 2 - (left + right - 1) / 2), 4)

    def test_other_keys_change_nothing_on_screen(self):
        self.start()
        self.move_panel_to(500, 800)
        self.type_number("12")
        self.wait_number("12")
        before = self.settled_card()
        self.type_number("a- ")
        desk.type_text("中")
        self.assert_typing_takes_nothing("", "12")
        self.assertEqual(differing_pixels(before, self.settled_card()), [])

    def test_one_point_only(self):
        self.start()
        self.type_number("1.2.")
        self.wait_number("1.2")

    def test_eight_digit_mode_refuses_the_ninth_and_switching_clears(self):
        self.start()
        self.move_panel_to(500, 800)
        self.click("8位")
        self.type_number("123456789")
        self.wait_number("12345678")
        shot = self.settled_card()
        for k in (8, 9, 10):
            left, top, right, bottom = BOXES[k]
            self.assertEqual(shot.crop(BOXES[k]).getcolors(), [((right - left) * (bottom - top), WHITE)],
                             f"box {k + 1} blank white")
        self.click("11位")
        self.wait_number("")
        shot = self.settled_card()
        for k in range(11):  # "*" back in every box
            self.assertIsNotNone(ink_box(shot, BOXES[k]), f"asterisk in box {k + 1}")

    def test_a_paste_keeps_only_the_digits(self):
        self.start()
        desk.probe("clipboard-set", "138-1234-5678")
        self.type_number("")
        desk.key("shift+Insert")
        self.wait_number("13812345678")


class Saving(Velmora):
    def test_the_saved_file_is_the_card_as_shown(self):
        self.start()
        self.move_panel_to(500, 800)
        desk.probe("clipboard-set", "something the user copied")
        self.type_number("13800138000")
        self.wait_number("13800138000")
        desk.move(1250, 1000)  # no tooltip over the card
        shown = self.settled_card()

        self.save_and_confirm()
        desk.wait_window(title="^保存提示$", exe="velmora.exe")
        saved = self.folder / SAVED_NAME.format("13800138000")
        with Image.open(saved) as picture:
            self.assertEqual(picture.size, (1199, 548))
            self.assertEqual(differing_pixels(picture.convert("RGB"), shown), [])
        self.assertEqual(desk.probe("clipboard-get")["text"], "something the user copied")
        panel = self.panel()
        self.assertTrue(panel["visible"] and panel["topmost"])
        self.assertFalse(self.card()["topmost"])

        # Back from the message, typing goes straight into the number box, replacing it.
        self.answer("保存提示", "Return")
        desk.type_text("139")
        self.wait_number("139")

    def test_after_a_cancel_typing_corrects_the_number_at_once(self):
        self.start()
        self.type_number("13800138000")
        self.wait_number("13800138000")
        self.click("保存为图片")
        desk.wait_window(title="^号码确认$", exe="velmora.exe")
        desk.press_in("号码确认", "y")  # Yes: the number is wrong
        desk.wait_window(title="^保存被终止$", exe="velmora.exe")
        self.answer("保存被终止", "Return")
        desk.type_text("13900139000")
        self.wait_number("13900139000")

    def test_an_unwritable_folder_gives_the_failure_message_and_no_file(self):
        self.start()
        self.type_number("42")
        self.wait_number("42")
        made = subprocess.run(["chattr", "+i", str(self.folder)], capture_output=True, text=True)
        if made.returncode != 0:
            self.skipTest(f"cannot make a folder unwritable here: {made.stderr.strip()}")
        self.save_and_confirm()
        failure = desk.wait_window(title="^保存失败$", exe="velmora.exe")
        self.assertIn(SAVED_NAME.format("42"), desk.probe("msgbox", failure["hwnd"])["text"])
        self.assertEqual(desk.find_windows(title="^保存提示$"), [])
        self.assertEqual([p.name for p in self.folder.iterdir() if p.suffix in (".bmp", ".tmp")], [])

    def test_a_save_killed_before_renaming_leaves_a_file_the_next_save_removes(self):
        others = ["velmora-unfinished-notes.tmp", "vel1234.tmp", "velmora-unfinished-0a1b2c3d.txt"]
        for name in others:
            (self.folder / name).write_text("not velmora's")
        self.start(VELMORA_TRACE_PAUSE="before-rename")
        self.type_number("13800138000")
        self.wait_number("13800138000")
        self.save_and_confirm()
        wait_for(lambda: self.traced("paused", "before-rename"), 10, what="the save to stop before renaming")
        self.kill()
        left = [p.name for p in self.folder.iterdir() if TEMPORARY.match(p.name)]
        self.assertEqual(len(left), 1, "the killed save's temporary file")
        self.assertFalse((self.folder / SAVED_NAME.format("13800138000")).exists())
        wait_for(lambda: not desk.find_windows(exe="velmora.exe", visible=None), 10, what="the windows to go")

        self.start()
        self.type_number("13900139000")
        self.wait_number("13900139000")
        self.save_and_confirm()
        desk.wait_window(title="^保存提示$", exe="velmora.exe")
        self.assertEqual([p.name for p in self.folder.iterdir() if TEMPORARY.match(p.name)], [])
        for name in others:
            self.assertEqual((self.folder / name).read_text(), "not velmora's", name)
        self.assertTrue((self.folder / SAVED_NAME.format("13900139000")).exists())

    def test_a_program_deep_in_long_folders_saves(self):
        deep = self.folder
        while len(wine_path(deep)) < 270:
            deep = deep / ("深" * 40)
        deep.mkdir(parents=True)
        shutil.copy(EXE, deep / "velmora.exe")
        self.start(deep / "velmora.exe")
        self.move_panel_to(500, 800)
        self.type_number("13800138000")
        self.wait_number("13800138000")
        self.save_and_confirm()
        report = desk.wait_window(title="^保存提示$", exe="velmora.exe")
        self.assertIn(wine_path(deep), desk.probe("msgbox", report["hwnd"])["text"])
        self.assert_card_picture(deep / SAVED_NAME.format("13800138000"), "13800138000")
        self.assertEqual(sorted(p.name for p in deep.iterdir()), sorted(["velmora.exe", SAVED_NAME.format("13800138000")]))

    def test_another_programs_topmost_window_over_the_card_is_not_saved(self):
        self.start()
        self.move_panel_to(500, 800)
        self.type_number("13800138000")
        self.wait_number("13800138000")
        notepad = desk.launch("notepad")
        self.addCleanup(notepad.stop)
        window = desk.wait_window(exe="notepad.exe", cls="Notepad")
        desk.probe("move", window["hwnd"], 300, 100, 500, 300)
        desk.probe("topmost", window["hwnd"])
        wait_for(lambda: overlaps(box_of(desk.wait_window(exe="notepad.exe", cls="Notepad")["rect"]), CARD), 5,
                 what="notepad over the card")
        self.save_and_confirm()
        desk.wait_window(title="^保存提示$", exe="velmora.exe")
        self.assert_card_picture(self.folder / SAVED_NAME.format("13800138000"), "13800138000")


class Export(Velmora):
    """The card out of the program other than by 保存为图片: Save As from the card's menu, the
    clipboard, and the command line. Files are read with Pillow, the clipboard with xclip."""

    def velmora_command(self, *args):
        return desk.run_wine([self.folder / "velmora.exe", *args], timeout=60, check=False,
                             extra_env={"VELMORA_TRACE": wine_path(self.trace)})

    def windows_traced(self):
        """The trace's lines that say a window was made or shown or a message box came up."""
        lines = self.trace.read_text(encoding="utf-8").splitlines() if self.trace.exists() else []
        return [line for line in lines if line.split(" ")[1] in ("load", "show", "message_box")]

    def test_save_as_from_the_cards_menu_writes_a_print_quality_png(self):
        self.start()
        self.move_panel_to(500, 800)
        self.type_number("13800138000")
        self.wait_number("13800138000")
        desk.click(600, 120, button=3)  # on the card
        desk.wait_window(cls="#32768", exe="velmora.exe")
        desk.key("Down", "Down", "Return")  # 复制图片, 另存为…
        dialog = desk.wait_window(title="^另存为$", exe="velmora.exe")
        self.assertTrue(dialog["visible"])
        saved = self.folder / "mycard.png"
        self.save_as(self.folder / "mycard", saved)
        with Image.open(saved) as picture:
            self.assertEqual(picture.format, "PNG")
            self.assertEqual(picture.size, (3597, 1644))
            self.assertEqual(tuple(round(d) for d in picture.info["dpi"]), (300, 300))
            fine = picture.convert("RGB")
        for k, (left, top, right, bottom) in enumerate(BOXES):  # every box has a digit in its middle
            ink = ink_box(fine, (3 * left, 3 * top, 3 * right, 3 * bottom))
            self.assertIsNotNone(ink, f"box {k + 1}")
            self.assertLessEqual(abs((ink[0] + ink[2]) / 2 - 3 * (left + right - 1) / 2), 12, f"box {k + 1}")
        self.assertEqual([p.name for p in self.folder.iterdir() if TEMPORARY.match(p.name)], [])

    def test_the_screen_size_png_is_the_saved_bmp(self):
        self.start()
        self.move_panel_to(500, 800)
        self.type_number("13800138000")
        self.wait_number("13800138000")
        self.save_and_confirm()
        desk.wait_window(title="^保存提示$", exe="velmora.exe")
        out = self.folder / "screen.png"
        result = self.velmora_command("--number", "13800138000", "--out", wine_path(out), "--dpi", "100")
        self.assertEqual(result.returncode, 0, result.stderr)
        with Image.open(out) as png, Image.open(self.folder / SAVED_NAME.format("13800138000")) as bmp:
            self.assertEqual(png.size, (1199, 548))
            self.assertEqual(tuple(round(d) for d in png.info["dpi"]), (100, 100))
            self.assertEqual(differing_pixels(png.convert("RGB"), bmp.convert("RGB")), [])

    def test_ctrl_c_puts_the_card_on_the_clipboard_as_png(self):
        self.start()
        self.move_panel_to(500, 800)
        self.type_number("13800138000")
        self.wait_number("13800138000")
        desk.move(1250, 1000)  # no tooltip over the card
        shown = self.settled_card()
        desk.key("ctrl+c")

        def clipboard(target):
            r = subprocess.run(["xclip", "-selection", "clipboard", "-t", target, "-o"], env=desk.env,
                               capture_output=True, timeout=10)
            return r.stdout if r.returncode == 0 else b""
        wait_for(lambda: b"image/png" in clipboard("TARGETS"), 10, what="a PNG on the clipboard")
        with Image.open(io.BytesIO(clipboard("image/png"))) as picture:
            self.assertEqual(picture.size, (1199, 548))
            self.assertEqual(differing_pixels(picture.convert("RGB"), shown), [])
        self.assertEqual(self.number(), "13800138000", "the number box kept its text")

    def test_the_command_line_writes_each_format_and_fails_cleanly(self):
        inside = lambda name: wine_path(self.folder / name)  # noqa: E731
        for number, name, extra, size, dpi, fmt, code in [
                ("13800138000", "a.png", [], (3597, 1644), 300, "PNG", ""),
                ("13800138000", "b.JPG", [], (3597, 1644), 300, "JPEG", ""),
                ("13800138000", "c.bmp", [], (1199, 548), 100, "BMP", ""),
                ("12345678", "d.bmp", ["--qr"], (3597, 1644), 300, "BMP", "tel:12345678")]:
            with self.subTest(name=name):
                self.trace.unlink(missing_ok=True)
                result = self.velmora_command("--number", number, "--out", inside(name), "--dpi", str(dpi), *extra)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertIn(name, result.stdout)
                self.assertTrue(self.traced("export.written", inside(name)), "the trace follows the command line")
                self.assertEqual(self.windows_traced(), [], "the command line shows no window")
                with Image.open(self.folder / name) as picture:
                    self.assertEqual((picture.format, picture.size), (fmt, size))
                    self.assertEqual(tuple(round(d) for d in picture.info["dpi"]), (dpi, dpi))
                decoded = subprocess.run(["zbarimg", "-q", "--raw", str(self.folder / name)], capture_output=True,
                                         text=True, timeout=60)
                self.assertEqual(decoded.stdout.strip(), code, "the QR code")
        for args, code, says in [(["--number", "138-0013", "--out", inside("x.png")], 2, "138-0013"),
                                 (["--number", "1", "--out", inside("x.gif")], 2, "x.gif"),
                                 (["--number", "1", "--out", inside("no/x.png")], 1, "x.png"),
                                 (["--number", "1", "--out", inside("x.png"), "--frobnicate"], 2, "--frobnicate"),
                                 (["--number", "1", "--out", inside("x.png"), "--page", "a4"], 2, "--page"),
                                 (["--number", "1", "--out", inside("x.pdf"), "--dpi", "100"], 2, "--dpi 100")]:
            with self.subTest(args=args):
                self.trace.unlink(missing_ok=True)
                result = self.velmora_command(*args)
                self.assertEqual(result.returncode, code)
                self.assertIn(says, result.stderr)
                self.assertEqual(self.windows_traced(), [], "the command line shows no window")
        self.trace.unlink(missing_ok=True)
        help_text = self.velmora_command("--help")
        self.assertEqual(help_text.returncode, 0)
        self.assertIn("--number", help_text.stdout)
        self.assertEqual(self.windows_traced(), [], "the command line shows no window")
        self.assertEqual(sorted(p.name for p in self.folder.iterdir() if p != self.trace),
                         sorted(["velmora.exe", "a.png", "b.JPG", "c.bmp", "d.bmp"]), "nothing else written")


class PdfFiles(Velmora):
    """PDFs from Save As and the command line, read with qpdf and poppler's tools."""

    NUMBER = "13800138000"
    PAPERS = {  # --page: page size in mm, the cards' boxes in mm from the top-left, as printing lays them out
        "card": ((304.5, 139.2), [(0, 0, 304.5, 139.2)]),
        "a4": ((297, 210), [(5, (210 - 287 * 548 / 1199) / 2, 292, (210 + 287 * 548 / 1199) / 2)]),
        "a4x2": ((210, 297), [(5, 297 / 4 - 100 * 548 / 1199, 205, 297 / 4 + 100 * 548 / 1199),
                              (5, 297 * 3 / 4 - 100 * 548 / 1199, 205, 297 * 3 / 4 + 100 * 548 / 1199)]),
    }

    def velmora_command(self, *args):
        return desk.run_wine([self.folder / "velmora.exe", *args], timeout=60, check=False)

    def write(self, name, *args):
        out = self.folder / name
        result = self.velmora_command("--number", self.NUMBER, "--out", wine_path(out), *args)
        self.assertEqual(result.returncode, 0, result.stderr)
        return out

    def assert_sound_pdf(self, pdf, paper):
        """qpdf finds nothing wrong; pdfinfo gives one page of the paper's size and the title."""
        check = subprocess.run(["qpdf", "--check", str(pdf)], capture_output=True, text=True, timeout=60)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        self.assertIn("No syntax or stream encoding errors found", check.stdout)
        self.assertNotIn("WARNING", check.stdout + check.stderr)
        info = subprocess.run(["pdfinfo", "-enc", "UTF-8", str(pdf)], capture_output=True, text=True, timeout=30,
                              check=True).stdout
        self.assertRegex(info, r"(?m)^Pages:\s+1$")
        self.assertRegex(info, rf"(?m)^Title:\s+挪车卡_{self.NUMBER}$")
        page, = pdf_pages(pdf)
        (width, height), _ = self.PAPERS[paper]
        self.assertAlmostEqual(page.width_mm, width, delta=0.2)
        self.assertAlmostEqual(page.height_mm, height, delta=0.2)

    def assert_cards_where_printing_puts_them(self, page, paper):
        """On the page rendered at 300 dpi, each card (what is coloured or dark) lies where
        printing lays it out, and the cut marks (grey) lie outside it: grey at each corner
        along both edges, white paper between the marks and the card."""
        _, cards = self.PAPERS[paper]
        mm = 300 / 25.4
        rgb = page.convert("RGB")
        grey_value = page.convert("L")
        saturation = page.convert("HSV").split()[1]
        ink = ImageChops.lighter(Image.eval(grey_value, lambda v: 255 if v < 100 else 0),
                                 saturation.point(lambda v: 255 if v > 80 else 0))
        for k, (left, top, right, bottom) in enumerate(cards):
            with self.subTest(card=k):
                near = tuple(round(v * mm) for v in (left - 4, top - 4, right + 4, bottom + 4))
                found = ink.crop(near).getbbox()
                self.assertIsNotNone(found)
                found = [(near[0] + found[0]) / mm, (near[1] + found[1]) / mm,
                         (near[0] + found[2]) / mm, (near[1] + found[3]) / mm]
                for got, expected in zip(found, (left, top, right, bottom)):
                    self.assertAlmostEqual(got, expected, delta=1.0, msg=f"card {k + 1} at {found}")
                if paper == "card":
                    continue  # edge to edge, no marks
                # Each corner: a mark 1 to 5 mm out along each edge, white in the first half millimetre.
                for x, dx in ((left, -1), (right, 1)):
                    for y, dy in ((top, -1), (bottom, 1)):
                        along_x = (x + dx * 3 - 0.05 * dx, y - dy * 0.1)  # outward in x, inside the edge line
                        along_y = (x - dx * 0.1, y + dy * 3)
                        for mx, my in (along_x, along_y):
                            value = rgb.getpixel((round(mx * mm), round(my * mm)))
                            self.assertLess(max(value), 200, f"no mark at {mx:.1f}, {my:.1f} mm")
                            self.assertLess(max(value) - min(value), 10, f"the mark at {mx:.1f}, {my:.1f} mm is grey")
                        gap = rgb.crop((round(min(x, x + dx * 0.5) * mm), round(min(y, y + dy * 0.5) * mm),
                                        round(max(x, x + dx * 0.5) * mm), round(max(y, y + dy * 0.5) * mm)))
                        self.assertEqual(gap.getextrema(), ((255, 255),) * 3, f"paper between the card and its marks")
                # Nothing but white paper and grey marks outside the card.
                ring = rgb.crop(near)
                ring.paste((255, 255, 255), (round(left * mm) - near[0] - 2, round(top * mm) - near[1] - 2,
                                             round(right * mm) - near[0] + 2, round(bottom * mm) - near[1] + 2))
                coloured = ring.convert("HSV").split()[1].getextrema()[1]
                self.assertLess(coloured, 16, "only grey outside the card")

    def dialog_control(self, dialog, cls, text=None):
        found = [c for c in desk.probe("children", dialog["hwnd"])
                 if c["class"] == cls and (text is None or c["text"] == text)]
        self.assertEqual(len(found), 1, f"one {cls} {text or ''} in the dialog")
        return found[0]

    def choose_last(self, dialog, showing, last):
        """In the dialog's drop-down list now SHOWING, picks its LAST item from the keyboard."""
        combo = self.dialog_control(dialog, "ComboBox", showing)
        desk.click(*centre(combo["rect"]))
        desk.key("End", "Return")
        wait_equal(lambda: [c["text"] for c in desk.probe("children", dialog["hwnd"]) if c["hwnd"] == combo["hwnd"]],
                   [last], 10, what=f"{last} chosen")

    def test_save_as_pdf_from_the_dialog_on_the_paper_chosen(self):
        self.start()
        self.move_panel_to(500, 800)
        self.type_number(self.NUMBER)
        self.wait_number(self.NUMBER)
        desk.key("ctrl+shift+s")
        dialog = desk.wait_window(title="^另存为$", exe="velmora.exe")
        self.dialog_control(dialog, "Static", "纸张:")
        self.dialog_control(dialog, "Static", "大小:")
        self.choose_last(dialog, "PNG 图片 (*.png)", "PDF 文档 (*.pdf)")
        self.choose_last(dialog, "只有停车牌", "A4 纸, 每页两张")
        desk.screenshot(SCREENS / "save-as-pdf.png")
        desk.click(*centre(self.dialog_control(dialog, "Edit")["rect"]))
        desk.key("End", "shift+Home")
        desk.type_text(wine_path(self.folder / "mycard"))
        desk.key("Return")
        saved = self.folder / "mycard.pdf"  # the type chosen gives the extension
        wait_for(saved.exists, 15, what=f"{saved.name} written")
        wait_for(lambda: not desk.find_windows(title="^另存为$", exe="velmora.exe"), 10, what="the dialog to close")
        self.assert_sound_pdf(saved, "a4x2")
        self.assert_cards_where_printing_puts_them(render_page(saved, 300, desk.workdir), "a4x2")
        self.assertEqual(sorted(p.name for p in self.folder.iterdir() if p.suffix != ".log"),
                         ["mycard.pdf", "velmora.exe"], "nothing else written")

    def test_the_command_line_writes_a_pdf_on_each_paper(self):
        for paper in self.PAPERS:
            with self.subTest(paper=paper):
                pdf = self.write(f"{paper}.pdf", "--page", paper)
                self.assert_sound_pdf(pdf, paper)
                page = render_page(pdf, 300, desk.workdir, png=SCREENS / f"pdf-{paper}.png")
                self.assert_cards_where_printing_puts_them(page, paper)

    def test_the_card_page_is_the_300_dpi_png_and_its_code_dials(self):
        pdf, png = self.write("card.pdf"), self.write("card.png")
        listed = subprocess.run(["pdfimages", "-list", str(pdf)], capture_output=True, text=True, timeout=30,
                                check=True).stdout.splitlines()
        columns = listed[0].split()
        images = [dict(zip(columns, line.split())) for line in listed[2:]]
        self.assertEqual(len(images), 1)
        image = images[0]
        self.assertEqual((image["width"], image["height"], image["color"], image["bpc"]),
                         ("3597", "1644", "rgb", "8"))
        self.assertEqual((image["x-ppi"], image["y-ppi"]), ("300", "300"))
        page = render_page(pdf, 300, desk.workdir)
        with Image.open(png) as picture:
            reference = picture.convert("RGB")
        self.assertEqual(page.size, reference.size)
        self.assertLessEqual(max(high for _, high in ImageChops.difference(page, reference).getextrema()), 1)

        for paper in ("card", "a4x2"):
            with self.subTest(paper=paper):
                coded = self.write(f"coded-{paper}.pdf", "--qr", "--page", paper)
                rendered = self.folder / f"coded-{paper}.png"
                render_page(coded, 300, desk.workdir, png=rendered)
                decoded = subprocess.run(["zbarimg", "-q", "--raw", str(rendered)], capture_output=True, text=True,
                                         timeout=60)
                self.assertEqual(decoded.stdout.split(), [f"tel:{self.NUMBER}"] * (2 if paper == "a4x2" else 1))


class Printing(Velmora):
    """打印… on the private print queue: the PDF it makes is measured at 300 dpi."""

    def setUp(self):
        super().setUp()
        desk.print_queue.reset()

    def card_on(self, page):
        """The card's outline on a page rendered at 300 dpi: whatever is neither white nor the
        light grey of the cut marks."""
        grey = page.convert("L")
        mask = Image.eval(grey, lambda v: 255 if v < 100 else 0)
        colour = page.convert("HSV").split()[1].point(lambda v: 255 if v > 80 else 0)  # the yellow
        return ImageChops.lighter(mask, colour).getbbox()

    def test_the_card_prints_at_the_size_it_announces_centred_with_its_digits(self):
        self.start()
        self.type_number("13800138000")
        self.wait_number("13800138000")
        note = self.print_through_the_dialog()
        width_cm, height_cm = (float(v) for v in re.search(r"按 ([\d.]+) × ([\d.]+) 厘米", note).groups())
        # The queue's landscape A4 has no unprintable edge: 297 mm less 5 mm on each side.
        self.assertEqual((width_cm, height_cm), (28.7, 13.1))
        pdf = desk.print_queue.next_pdf(60)
        pages = pdf_pages(pdf)
        self.assertEqual(len(pages), 1)
        self.assertEqual((pages[0].paper, pages[0].orientation), ("A4", "landscape"))
        page = render_page(pdf, 300, desk.workdir, png=SCREENS / "printed-13800138000.png")
        left, top, right, bottom = self.card_on(page)
        mm = 25.4 / 300
        self.assertAlmostEqual((right - left) * mm, width_cm * 10, delta=1.0)
        self.assertAlmostEqual((bottom - top) * mm, height_cm * 10, delta=1.0)
        self.assertAlmostEqual((right - left) * mm, 287.0, delta=1.0)
        self.assertAlmostEqual((bottom - top) * mm, 287.0 * 548 / 1199, delta=1.0)
        self.assertAlmostEqual((right - left) / (bottom - top), 1199 / 548, delta=1199 / 548 * 0.005)
        self.assertAlmostEqual((left + right) / 2 * mm, pages[0].width_mm / 2, delta=1.0)
        self.assertAlmostEqual((top + bottom) / 2 * mm, pages[0].height_mm / 2, delta=1.0)
        report = wait_for(lambda: self.box_saying("打印队列"), 10, what="the report")
        self.assertEqual(report, "停车牌已交给打印机「PDF」的打印队列。")

        # The card goes to the printer in bands of 25 of its rows: strip by strip, the printed
        # card is the print-quality card brought to the printed size, so a band lost or put
        # in the wrong place shows.
        reference = self.folder / "reference.png"
        self.assertEqual(desk.run_wine([self.folder / "velmora.exe", "--number", "13800138000", "--out",
                                        wine_path(reference)], check=False).returncode, 0)
        with Image.open(reference) as fine:
            fine = fine.convert("RGB")
        card = page.crop((left, top, right, bottom))
        rows = row_differences(card, fine.resize(card.size, Image.BOX))
        for band in range(0, 1644, 25):
            strip = rows[round(band * card.height / 1644):round(min(band + 25, 1644) * card.height / 1644)]
            # At most 4 as printed; a row of white paper among the yellow, 90 or more.
            self.assertLess(max(strip), 20, f"the card's rows {band} to {band + 24} as printed")
        printed = card.resize((3597, 1644), Image.BILINEAR)
        for k, box in enumerate(BOXES):  # each digit where the print-quality card has it
            inner = (3 * box[0] + 12, 3 * box[1] + 12, 3 * box[2] - 12, 3 * box[3] - 12)  # clear of the borders
            ink, expected_ink = (ink_box(picture, inner) for picture in (printed, fine))
            self.assertIsNotNone(ink, f"box {k + 1}")
            self.assertLessEqual(max(abs(a - b) for a, b in zip(ink, expected_ink)), 6, f"box {k + 1}: {ink}")

    def test_two_cards_a_page_print_one_above_the_other_at_the_announced_size(self):
        self.forget_options()
        self.addCleanup(self.forget_options)
        self.start()
        self.move_panel_to(500, 800)
        self.type_number("13800138000")
        self.wait_number("13800138000")
        self.switch_option("TwoCardsPerPage")
        note = self.print_through_the_dialog()
        self.assertTrue(note.startswith("每页两张, 每张按 "), note)
        width_mm, height_mm = (10 * float(v) for v in re.search(r"按 ([\d.]+) × ([\d.]+) 厘米", note).groups())
        self.assertEqual((width_mm, height_mm), (200.0, 91.0), "portrait A4 less 5 mm on each side")
        pdf = desk.print_queue.next_pdf(60)
        pages = pdf_pages(pdf)
        self.assertEqual([(p.paper, p.orientation) for p in pages], [("A4", "portrait")])
        page = render_page(pdf, 300, desk.workdir, png=SCREENS / "printed-two-a-page.png")
        mm = 25.4 / 300
        half = page.height // 2
        cards = []
        for top in (0, half):  # one card in each half of the sheet
            left, upper, right, lower = self.card_on(page.crop((0, top, page.width, top + half)))
            card = (left, top + upper, right, top + lower)
            cards.append(card)
            self.assertAlmostEqual((right - left) * mm, width_mm, delta=1.0)
            self.assertAlmostEqual((lower - upper) * mm, height_mm, delta=1.0)
            self.assertAlmostEqual((left + right) / 2, page.width / 2, delta=1 / mm)
            self.assertAlmostEqual((upper + lower) / 2, half / 2, delta=1 / mm, msg="centred in its half")
            self.assertGreaterEqual(min(left, upper), 5 / mm - 2, "inside the page with its margin")
            self.assertLessEqual(right, page.width - 5 / mm + 2)
            self.assertLessEqual(lower, half - 5 / mm + 2)
        # Whatever is drawn outside the cards is a cut mark, within the margin at a corner; every
        # corner has its marks.
        outside = page.convert("L").point(lambda v: 255 if v < 230 else 0)
        for left, upper, right, lower in cards:  # with the pixels its edges shade
            outside.paste(0, (left - 3, upper - 3, right + 3, lower + 3))
        marks = outside.getbbox()
        self.assertIsNotNone(marks, "no cut marks")
        corners = [(x, y) for card in cards for x in (card[0], card[2]) for y in (card[1], card[3])]
        reach = round(5 / mm)
        for x, y in corners:
            self.assertIsNotNone(outside.crop((x - reach, y - reach, x + reach, y + reach)).getbbox(),
                                 f"no mark at the corner {x, y}")
        for x, y in corners:
            outside.paste(0, (x - reach, y - reach, x + reach, y + reach))
        self.assertIsNone(outside.getbbox(), "ink on the page away from the cards' corners")

    def test_eight_digits_print_with_the_last_three_boxes_blank(self):
        self.start()
        self.click("8位")
        self.type_number("12345678")
        self.wait_number("12345678")
        self.print_through_the_dialog()
        page = render_page(desk.print_queue.next_pdf(60), 300, desk.workdir)
        left, top, right, bottom = self.card_on(page)
        printed = page.crop((left, top, right, bottom)).resize((1199, 548), Image.BILINEAR)
        for k, box in enumerate(BOXES):
            inner = (box[0] + 4, box[1] + 4, box[2] - 4, box[3] - 4)  # clear of the scaled borders
            self.assertEqual(ink_box(printed, inner) is not None, k < 8, f"box {k + 1}")

    def test_a_cancelled_dialog_prints_nothing(self):
        self.start()
        self.type_number("13800138000")
        self.wait_number("13800138000")
        jobs_before = desk.print_queue.ended_jobs() + desk.print_queue.queued_jobs()
        self.print_through_the_dialog(accept=False)
        wait_for(lambda: not desk.find_windows(title="^打印$", exe="velmora.exe"), 10, what="the dialog to close")
        self.assertIsNone(self.box_saying(""), "a message after a cancel")
        self.print_through_the_dialog()  # the next print is the only new job
        desk.print_queue.next_pdf(60)
        self.assertEqual(len(desk.print_queue.ended_jobs() + desk.print_queue.queued_jobs()) - len(jobs_before), 1)

    def test_a_disabled_queue_keeps_the_job_and_says_so(self):
        self.start()
        self.type_number("13800138000")
        self.wait_number("13800138000")
        desk.print_queue.disable()
        self.print_through_the_dialog()
        report = wait_for(lambda: self.box_saying("打印队列"), 10, what="the report")
        # In the queue, not printed. Wine tells a program nothing of a stopped queue (its printers'
        # status is always 0), so the words for a paused printer cannot show here.
        self.assertEqual(report, "停车牌已交给打印机「PDF」的打印队列。")
        wait_for(lambda: desk.print_queue.queued_jobs(), 10, what="the job in the queue")
        desk.print_queue.enable()
        desk.print_queue.next_pdf(60)

    def test_a_queue_that_refuses_jobs_is_reported_as_a_failure(self):
        self.start()
        self.type_number("13800138000")
        self.wait_number("13800138000")
        desk.print_queue._client(["cupsreject", "PDF"])
        self.addCleanup(desk.print_queue._client, ["cupsaccept", "PDF"])
        self.print_through_the_dialog()
        failure = wait_for(lambda: self.box_saying("没有打印"), 15, what="the failure")
        self.assertIn("停车牌没有打印!", failure)
        self.answer("打印失败", "Return")
        desk.type_text("9")  # the program goes on, the number selected for correcting
        self.wait_number("9")



class QrCode(Velmora):
    """The optional QR code on the card, read back with zbarimg from the screen, a 300 dpi
    picture and a printed page."""

    MARK = tuple(LAYOUT["parking_mark"][k] + (1 if k in ("right", "bottom") else 0)
                 for k in ("left", "top", "right", "bottom"))

    def setUp(self):
        super().setUp()
        self.forget_options()
        self.addCleanup(self.forget_options)
        desk.print_queue.reset()

    def decoded(self, image_or_path):
        path = image_or_path
        if not isinstance(image_or_path, (str, Path)):
            path = self.folder / "decode-me.png"
            image_or_path.save(path)
        r = subprocess.run(["zbarimg", "-q", "--raw", str(path)], capture_output=True, text=True, timeout=60)
        return r.stdout.strip()


    def switch_the_code(self, on=True):
        self.switch_option("QrCode", on)

    def start_with_the_code(self, number, eight_digits=False):
        self.start()
        self.move_panel_to(500, 800)
        if eight_digits:
            self.click("8位")
        self.type_number(number)
        self.wait_number(number)
        self.switch_the_code()
        desk.move(1250, 1000)  # no tooltip over the card

    def test_the_code_dials_the_number_on_screen_in_a_300_dpi_png_and_on_paper(self):
        self.start_with_the_code("13800138000")
        wait_for(lambda: self.decoded(self.settled_card()) == "tel:13800138000", 10, what="the code on screen")
        self.settled_card().save(SCREENS / "card-with-code.png")

        desk.key("ctrl+shift+s")
        desk.wait_window(title="^另存为$", exe="velmora.exe")
        self.save_as(self.folder / "coded", self.folder / "coded.png")
        with Image.open(self.folder / "coded.png") as fine:
            self.assertEqual(fine.size, (3597, 1644))
        self.assertEqual(self.decoded(self.folder / "coded.png"), "tel:13800138000")

        self.print_through_the_dialog()
        page = render_page(desk.print_queue.next_pdf(60), 300, desk.workdir)
        self.assertEqual(self.decoded(page), "tel:13800138000")

    def test_eight_digits_in_the_eight_digit_mode_get_their_code(self):
        self.start_with_the_code("12345678", eight_digits=True)
        wait_for(lambda: self.decoded(self.settled_card()) == "tel:12345678", 10, what="the code on screen")

    def test_part_of_a_number_keeps_the_parking_mark_and_switching_off_brings_it_back(self):
        self.start_with_the_code("12345")
        artwork = Image.open(ARTWORK).convert("RGB")
        self.assertEqual(differing_pixels(self.settled_card().crop(self.MARK), artwork.crop(self.MARK)), [])
        self.assertEqual(self.decoded(self.settled_card()), "")
        self.type_number("678901")
        self.wait_number("12345678901")
        wait_for(lambda: self.decoded(self.settled_card()) == "tel:12345678901", 10, what="the code once whole")
        self.switch_the_code(on=False)
        wait_for(lambda: not differing_pixels(self.settled_card().crop(self.MARK), artwork.crop(self.MARK)), 10,
                 what="the parking mark back")


def colour_spread(picture):
    """How far the picture strays from grey: the largest difference between two channels
    of one pixel."""
    r, g, b = picture.convert("RGB").split()
    return max(ImageChops.difference(x, y).getextrema()[1] for x, y in ((r, g), (g, b), (r, b)))


class BlackAndWhite(Velmora):
    """黑白省墨: the card drawn for a black-and-white printer, switched on through the card's
    menu, on screen, on paper and from the command line."""

    def setUp(self):
        super().setUp()
        self.forget_options()
        self.addCleanup(self.forget_options)
        desk.print_queue.reset()

    def switch_to_black_and_white(self):
        self.switch_option("BlackAndWhite")
        desk.move(1250, 1000)  # no tooltip over the card

    def command_line_card(self, name, *args):
        out = self.folder / name
        result = desk.run_wine([self.folder / "velmora.exe", "--number", "13800138000", "--out", wine_path(out),
                                "--style", "bw", *args], timeout=60, check=False)
        self.assertEqual(result.returncode, 0, result.stderr)
        with Image.open(out) as picture:
            return picture.convert("RGB")

    def grey_card(self):
        """The card on screen once it shows no colour, or None."""
        shot = self.settled_card()
        return shot if colour_spread(shot) == 0 else None

    def assert_digits_in_their_boxes(self, picture, scale=1, inset=0):
        """Each digit inside its box (clear of the border by INSET), a digit's height, centred."""
        for k, box in enumerate(BOXES):
            inner = (scale * box[0] + inset, scale * box[1] + inset,
                     scale * box[2] - inset, scale * box[3] - inset)
            ink = ink_box(picture, inner)
            self.assertIsNotNone(ink, f"box {k + 1}")
            self.assertGreater(ink[3] - ink[1], 60 * scale, f"box {k + 1}: not a digit's height")
            middle = scale * (box[0] + box[2] - 1) / 2
            self.assertLessEqual(abs((ink[0] + ink[2]) / 2 - middle), 4 * scale, f"box {k + 1}: off its middle")

    def test_on_screen_and_on_paper(self):
        self.start()
        self.move_panel_to(500, 800)
        self.type_number("13800138000")
        self.wait_number("13800138000")
        desk.move(1250, 1000)
        colour = self.settled_card()
        self.assertGreater(colour_spread(colour), 200, "the card is in colour at first")
        self.switch_to_black_and_white()
        shown = wait_for(self.grey_card, 10, what="a card without colour on screen")
        shown.save(SCREENS / "card-black-and-white.png")
        self.assert_digits_in_their_boxes(shown)
        self.assertEqual(differing_pixels(shown, self.command_line_card("screen.png", "--dpi", "100")), [],
                         "the screen and the command line's screen-size card")

        note = self.print_through_the_dialog()
        self.assertIn("28.7 × 13.1 厘米", note)
        pdf = desk.print_queue.next_pdf(60)
        shutil.copyfile(pdf, SCREENS / "printed-black-and-white.pdf")
        page = render_page(pdf, 300, desk.workdir)
        self.assertLessEqual(colour_spread(page), 2, "colour on the printed page")
        grey = page.convert("L")
        # The card's black frame gives its top, left and right; its light grey band, inside
        # those (the cut marks stand outside the card's sides), its bottom.
        left, top, right, _ = grey.point(lambda v: 255 if v < 100 else 0).getbbox()
        inside = grey.crop((left + 10, top, right - 10, grey.height)).point(lambda v: 255 if v < 240 else 0)
        bottom = top + inside.getbbox()[3]
        mm = 25.4 / 300
        self.assertAlmostEqual((right - left) * mm, 287.0, delta=1.0)
        self.assertAlmostEqual((bottom - top) * mm, 131.2, delta=1.0)
        card = page.crop((left, top, right, bottom))
        fine = self.command_line_card("fine.png")
        rows = row_differences(card, fine.resize(card.size, Image.BOX))
        self.assertLess(max(rows), 20, "the printed card is not the black-and-white card")
        self.assert_digits_in_their_boxes(card.resize((3597, 1644), Image.BILINEAR), scale=3, inset=12)

    def test_the_command_line_and_the_saved_picture_carry_the_black_and_white_card(self):
        self.start()
        self.move_panel_to(500, 800)
        self.type_number("13800138000")
        self.wait_number("13800138000")
        self.switch_to_black_and_white()
        shown = wait_for(self.grey_card, 10, what="a card without colour on screen")
        fine = self.command_line_card("card.png")
        self.assertEqual(fine.size, (3597, 1644))
        self.assertEqual(colour_spread(fine), 0)
        self.assert_digits_in_their_boxes(fine, scale=3)
        # Brought down to screen size, the card on screen but for the digits' smoothing.
        small = fine.resize((1199, 548), Image.BOX)
        difference = ImageChops.difference(small, shown).convert("L")
        self.assertLess(sum(v * n for v, n in enumerate(difference.histogram())) / (1199 * 548), 2.0)
        coded = self.command_line_card("coded.png", "--qr")
        self.assertEqual(colour_spread(coded), 0)
        decoded = subprocess.run(["zbarimg", "-q", "--raw", str(self.folder / "coded.png")], capture_output=True,
                                 text=True, timeout=60)
        self.assertEqual(decoded.stdout.strip(), "tel:13800138000")
        wrong = desk.run_wine([self.folder / "velmora.exe", "--number", "1", "--out",
                               wine_path(self.folder / "x.png"), "--style", "grey"], timeout=60, check=False)
        self.assertEqual(wrong.returncode, 2)
        self.assertIn("--style", wrong.stderr)
        self.assertFalse((self.folder / "x.png").exists())

        # 保存为图片 writes the card as the window shows it, in black and white too.
        self.save_and_confirm()
        desk.wait_window(title="^保存提示$", exe="velmora.exe")
        with Image.open(self.folder / SAVED_NAME.format("13800138000")) as saved:
            self.assertEqual(differing_pixels(saved.convert("RGB"), shown), [])


class Scaling(Velmora):
    """Display scales other than 100 %: everything designed in twips grows with the screen's
    resolution, crisp; what "保存为图片" writes does not change."""

    def setUp(self):
        self.proc = None  # each case brings its own desktop
        # What the 96 dpi program writes for the number, from the main desktop.
        self.reference = Path(tempfile.mkdtemp(prefix="reference-", dir=desk.workdir)) / "card.png"
        made = desk.run_wine([EXE, "--number", "13800138000", "--out", wine_path(self.reference), "--dpi", "100"],
                             check=False)
        self.assertEqual(made.returncode, 0, made.stderr)

    def run_at(self, dpi, screen):
        with self.own_desktop(screen=screen, dpi=dpi) as scaled:
            self.check_at(dpi / 96, scaled)

    def check_at(self, scale, scaled):
        panel = self.start()
        card = self.card()["rect"]
        self.assertEqual((card["left"], card["top"]), (0, 0))
        self.assertAlmostEqual(card["right"], 17985 * scale / 15, delta=1)
        self.assertAlmostEqual(card["bottom"], 8220 * scale / 15, delta=1)

        # The panel grows by the scale, keeps its controls inside and its title whole.
        rect, client = panel["rect"], panel["client"]
        self.assertAlmostEqual(rect["right"] - rect["left"], 287 * scale, delta=1)
        self.assertAlmostEqual(rect["bottom"] - rect["top"], 182 * scale, delta=1)
        for control in self.controls():
            r = control["rect"]
            with self.subTest(control=control["text"] or control["class"]):
                self.assertTrue(client["left"] <= r["left"] and r["right"] <= client["right"]
                                and client["top"] <= r["top"] and r["bottom"] <= client["bottom"], r)
        caption = scaled.probe("caption", panel["hwnd"])
        self.assertLessEqual(caption["text_width"], caption["room"], "the title is cut off")

        width, height = rect["right"] - rect["left"], rect["bottom"] - rect["top"]
        self.move_panel_to(scaled.screen[0] - width - 60, scaled.screen[1] - height - 60)  # below the card
        self.type_number("13800138000")
        self.wait_number("13800138000")
        scaled.move(scaled.screen[0] - 10, scaled.screen[1] - 10)
        shot = self.settled_card(scale)
        shot.save(SCREENS / f"card-at-{round(scale * 100)}-percent.png")
        for k, (left, top, right, bottom) in enumerate(BOXES):
            # The interior's pixels that no scaled border pixel touches.
            box = (math.ceil(left * scale) + 1, math.ceil(top * scale) + 1,
                   math.floor(right * scale) - 1, math.floor(bottom * scale) - 1)
            with self.subTest(box=k + 1):
                self.assertEqual(shot.getpixel((box[0], box[1])), WHITE)
                self.assertEqual(shot.getpixel((box[2] - 1, box[3] - 1)), WHITE)
                ink = ink_box(shot, box)
                self.assertIsNotNone(ink)
                self.assertTrue(box[0] < ink[0] and ink[2] < box[2] - 1 and box[1] < ink[1] and ink[3] < box[3] - 1,
                                f"digit {ink} touches the edge of {box}")
                self.assertLessEqual(abs((ink[0] + ink[2]) / 2 - (box[0] + box[2] - 1) / 2), 4 * scale)

        scaled.screenshot(SCREENS / f"desktop-at-{round(scale * 100)}-percent.png")

        # "保存为图片" writes the card as at 96 dpi, pixel for pixel.
        self.save_and_confirm()
        scaled.wait_window(title="^保存提示$", exe="velmora.exe")
        with Image.open(self.folder / SAVED_NAME.format("13800138000")) as saved, Image.open(self.reference) as expected:
            self.assertEqual(saved.size, (1199, 548))
            self.assertEqual(differing_pixels(saved.convert("RGB"), expected.convert("RGB")), [])

    def test_150_percent(self):
        self.run_at(144, (1920, 1200))

    def test_125_percent(self):
        self.run_at(120, (1600, 1024))

    def test_200_percent(self):
        self.run_at(192, (2560, 1600))


class NoPrinter(Velmora):
    """A desktop whose Wine has never seen a printer."""

    def setUp(self):
        self.proc = None  # the case brings its own desktop

    def test_printing_without_any_printer_says_so(self):
        with self.own_desktop(print_queue=False) as bare:
            self.start()
            self.type_number("1")
            self.wait_number("1")
            bare.key("ctrl+p")
            failure = bare.wait_window(title="^打印失败$", exe="velmora.exe")
            self.assertIn("没有可用的打印机", bare.probe("msgbox", failure["hwnd"])["text"])


class SmallScreens(Velmora):
    """The card is wider than these screens: the program still starts, its panel is on the
    screen and usable, and a save writes the whole card."""

    def setUp(self):
        self.proc = None  # each case brings its own desktop

    def run_on(self, screen):
        with self.own_desktop(screen=screen) as small:
            panel = self.start()
            rect = panel["rect"]
            self.assertTrue(0 <= rect["left"] and rect["right"] <= screen[0]
                            and 0 <= rect["top"] and rect["bottom"] <= screen[1], f"panel at {rect}")
            self.assertEqual(box_of(self.card()["rect"]), CARD)
            self.type_number("13800138000")
            self.wait_number("13800138000")
            self.save_and_confirm()
            report = small.wait_window(title="^保存提示$", exe="velmora.exe")
            self.assertTrue(report["visible"])
            self.assert_card_picture(self.folder / SAVED_NAME.format("13800138000"), "13800138000")
            small.screenshot(SCREENS / f"small-screen-{screen[0]}x{screen[1]}.png")

    def test_800_by_600(self):
        self.run_on((800, 600))

    def test_1024_by_768(self):
        self.run_on((1024, 768))



class CloseRequests(Velmora):
    """A close request from outside, as `taskkill` without /f makes it (WM_CLOSE posted to
    every top-level window of the program), while a dialog of ours is open. The program either
    ends or carries on with its panel on screen, never as a process with no window (every
    later start would end silently as a second copy); nothing it says is misleading."""

    def setUp(self):
        super().setUp()
        desk.print_queue.reset()

    def open_print_dialog(self):
        desk.key("ctrl+p")
        desk.wait_window(title="^打印$", exe="velmora.exe", cls="#32770")

    def open_print_dialog_from_the_cards_menu(self):
        desk.click(600, 120, button=3)
        desk.wait_window(cls="#32768", exe="velmora.exe")
        desk.key("Down", "Down", "Down", "Return")  # past 复制图片 and 另存为…, to 打印…
        desk.wait_window(title="^打印$", exe="velmora.exe", cls="#32770")

    def open_size_note(self):
        self.open_print_dialog()
        desk.press_in("打印", "Return")
        wait_for(lambda: any("厘米打印" in (desk.probe("msgbox", box["hwnd"])["text"] or "")
                             for box in desk.find_windows(cls="#32770", exe="velmora.exe")),
                 10, what="the size note")

    def open_save_as(self):
        desk.key("ctrl+shift+s")
        desk.wait_window(title="^另存为$", exe="velmora.exe")

    def open_about_box(self):
        self.click("关于程序")
        desk.wait_window(title="^关于程序$", exe="velmora.exe")

    def ended_or_on_screen(self):
        """'ended', 'on screen' once the close request has been dealt with, else None."""
        if self.proc.returncode is not None:
            return "ended"
        if desk.find_windows(cls="#32770", exe="velmora.exe"):
            return None  # a dialog is still open
        # Refused while the dialog was open: the panel stays, on screen.
        if self.traced("close.refused") and desk.find_windows(title="^控制面板 ", exe="velmora.exe"):
            return "on screen"
        return None

    def test_a_close_request_while_a_dialog_is_open_never_leaves_an_invisible_process(self):
        for name, open_dialog in [("print dialog", self.open_print_dialog),
                                  ("print dialog from the card's menu", self.open_print_dialog_from_the_cards_menu),
                                  ("print size note", self.open_size_note),
                                  ("Save As", self.open_save_as),
                                  ("message box", self.open_about_box)]:
            with self.subTest(dialog=name):
                try:
                    self.close_while_open(open_dialog)
                finally:  # a copy left over must not take the next case's start for a second copy
                    if self.proc.returncode is None:
                        self.kill()

    def close_while_open(self, open_dialog):
        self.trace.unlink(missing_ok=True)
        self.start()
        self.move_panel_to(500, 800)
        self.type_number("13800138000")
        self.wait_number("13800138000")
        open_dialog()
        desk.run_wine(["taskkill", "/im", "velmora.exe"], timeout=30, check=False)
        outcome = wait_for(self.ended_or_on_screen, 15, what="the program to end or show its panel")
        self.assertFalse(self.traced("message_box", "保存失败"), "a misleading failure was reported")
        self.assertFalse(self.traced("message_box", "打印失败"), "a misleading failure was reported")
        if outcome == "on screen":
            self.click("退出程序")
        self.assertEqual(self.proc.wait(10), 0)
        # A later start is a first copy again: its notice and panel come.
        self.start()
        self.click("退出程序")
        self.assertEqual(self.proc.wait(10), 0)

if __name__ == "__main__":
    unittest.main(verbosity=2)

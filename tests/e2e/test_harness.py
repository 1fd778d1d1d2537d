#!/usr/bin/python3
"""Self-test of the end-to-end harness: the desktop, winprobe and the input and
screen helpers, checked against Wine's own notepad (part of every prefix), so no
test program is needed besides build/winprobe.exe; and the private print queue,
checked with what winprobe prints.

    /usr/bin/python3 tests/e2e/test_harness.py            # starts its own desktop
    /usr/bin/python3 tests/e2e/with_desktop.py -- /usr/bin/python3 tests/e2e/test_harness.py
"""

import os
import subprocess
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from desktop import SCREEN, WINE_ARCH, DesktopError, ProbeError, attach, wait_equal, wait_for  # noqa: E402
from print_queue import job_of, pdf_pages, render_page  # noqa: E402

WHITE = (255, 255, 255)
IDYES, IDNO, IDCANCEL = 6, 7, 2
SW_MINIMIZE, SW_RESTORE = 6, 9

desk = None


def setUpModule():
    global desk
    desk = attach()
    desk.__enter__()


def tearDownModule():
    if desk:
        desk.close()


def inset(rect, by):
    return (rect["left"] + by, rect["top"] + by, rect["right"] - by, rect["bottom"] - by)


def share_of(image, box, colour):
    """Fraction of the pixels in box that have exactly this colour."""
    pixels = list(image.crop(box).getdata())
    return sum(p == colour for p in pixels) / len(pixels)


class DesktopTest(unittest.TestCase):
    def test_screen_size(self):
        self.assertEqual(desk.screenshot().size, SCREEN)

    def test_openbox_manages_the_screen(self):
        out = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=desk.env,
                             capture_output=True, text=True, check=True).stdout
        wm = out.split("#")[-1].strip()
        name = subprocess.run(["xprop", "-id", wm, "_NET_WM_NAME"], env=desk.env,
                              capture_output=True, text=True, check=True).stdout
        self.assertIn('"Openbox"', name)

    def test_prefix_has_the_programs_architecture(self):
        drive_c = desk.prefix / "drive_c"
        self.assertTrue((drive_c / "windows" / "system32" / "user32.dll").exists())
        # A 64-bit prefix keeps its 32-bit system in syswow64; a 32-bit one has none.
        self.assertEqual((drive_c / "windows" / "syswow64").exists(), WINE_ARCH == "win64")
        self.assertEqual((drive_c / "Program Files (x86)").exists(), WINE_ARCH == "win64")

    def test_fonts_resolve_to_the_pinned_faces(self):
        # Without the prefix's replacements 宋体 falls back to another CJK font.
        cases = [("宋体", "AR PL UMing CN"), ("SimSun", "AR PL UMing CN"), ("Marlett", "Marlett")]
        for face, real in cases:
            with self.subTest(face=face):
                self.assertIn(real, desk.probe("font", face)["full_name"])


class ProbeTest(unittest.TestCase):
    def test_clipboard_round_trips(self):
        for text in ["plain ascii", "停车卡 138 号", "two\r\nlines", "wide 😀 char"]:
            with self.subTest(text=text):
                desk.probe("clipboard-set", text)
                self.assertEqual(desk.probe("clipboard-get"), {"text": text})
        desk.probe("clipboard-clear")
        self.assertEqual(desk.probe("clipboard-get"), {"text": None})

    def test_errors_exit_non_zero(self):
        cases = [("window", "99999999"), ("no-such-command",), ("gui-resources", "1"),
                 ("press", "12", "x")]
        for args in cases:
            with self.subTest(args=args), self.assertRaises(ProbeError):
                desk.probe(*args)

    def test_wine_service_windows_are_hidden_unless_asked(self):
        def exes(windows):
            return {w["exe"].lower() for w in windows}
        self.assertNotIn("explorer.exe", exes(desk.windows()))
        self.assertIn("explorer.exe", exes(desk.windows(all=True)))

    def test_wait_for_gives_up_with_a_clear_message(self):
        with self.assertRaisesRegex(DesktopError, "never true"):
            wait_for(lambda: False, timeout=0.3, interval=0.05, what="never true")


class NotepadTest(unittest.TestCase):
    """Wine's notepad stands in for a program under test: a fresh one per test."""

    def setUp(self):
        self.proc = desk.launch("notepad")
        self.addCleanup(self.proc.stop)
        self.win = desk.wait_window(exe="notepad.exe", cls="Notepad")
        self.edit = self.child("Edit")

    def child(self, cls):
        found = [c for c in desk.probe("children", self.win["hwnd"]) if c["class"] == cls]
        self.assertEqual(len(found), 1, f"{cls} children of notepad")
        return found[0]

    def edit_text(self):
        return self.child("Edit")["text"]

    def click_edit(self):
        r = self.edit["rect"]
        desk.click((r["left"] + r["right"]) // 2, (r["top"] + r["bottom"]) // 2)

    def test_title_is_the_same_in_win32_and_x(self):
        title = self.win["title"]
        self.assertIn("记事本", title)  # Chinese UI: the locale reached Wine
        x_ids = desk.xdotool("search", "--classname", "notepad.exe").split()
        x_titles = [desk.xdotool("getwindowname", i).strip() for i in x_ids]
        self.assertIn(title, x_titles)

    def test_screenshot_shows_the_window_where_probe_says(self):
        shot = desk.screenshot()
        self.assertGreater(share_of(shot, inset(self.edit["client"], 6), WHITE), 0.99)
        right, bottom = self.win["rect"]["right"], self.win["rect"]["bottom"]
        self.assertLess(right + 20, SCREEN[0], "notepad leaves room to its right")
        beside = (right + 5, self.win["rect"]["top"] + 50, right + 20, bottom - 50)
        self.assertEqual(share_of(shot, beside, WHITE), 0)

    def test_typing_reaches_the_edit_control(self):
        self.click_edit()
        typed = ""
        # ASCII goes as X key presses, Chinese as Unicode key packets.
        for text in ["Hello 138 ", "京A·12345 停车场", " ok"]:
            with self.subTest(text=text):
                desk.type_text(text)
                typed += text
                wait_equal(self.edit_text, typed, 5, what="typed text")
        desk.key("BackSpace", "BackSpace")
        wait_equal(self.edit_text, typed[:-2], 5, what="text after BackSpace")

    def test_window_manager_leaves_keys_to_the_program(self):
        # openbox's stock bindings would take Alt+Space for a menu of its own.
        desk.key("alt+space")
        desk.wait_window(exe="notepad.exe", cls="#32768")  # Wine's system menu
        desk.key("Escape")
        wait_for(lambda: not desk.find_windows(exe="notepad.exe", cls="#32768"), 5,
                 what="system menu to close")

    def test_focus_is_in_the_edit_control(self):
        self.click_edit()
        focus = desk.probe("focus", self.win["hwnd"])
        self.assertEqual(focus["focus"]["hwnd"], self.edit["hwnd"])
        self.assertEqual(focus["active"]["hwnd"], self.win["hwnd"])

    def test_cursor_follows_the_window_under_the_pointer(self):
        r = self.edit["rect"]
        desk.move(r["left"] + 50, r["top"] + 50)
        ibeam = wait_for(lambda: _narrow(desk.cursor_image()), 5, what="I-beam cursor")
        desk.move(SCREEN[0] - 10, SCREEN[1] - 10)  # bare root window
        arrow = wait_for(lambda: _not_narrow(desk.cursor_image()), 5, what="root cursor")
        self.assertNotEqual((ibeam.xhot, ibeam.yhot), (arrow.xhot, arrow.yhot))
        self.assertNotEqual(ibeam.image.tobytes(), arrow.image.tobytes())

    def test_minimise_and_restore(self):
        for cmd, iconic in [(SW_MINIMIZE, True), (SW_RESTORE, False)]:
            with self.subTest(cmd=cmd):
                desk.probe("show", self.win["hwnd"], cmd)
                wait_for(lambda: desk.probe("window", self.win["hwnd"])["iconic"] == iconic,
                         5, what=f"iconic == {iconic}")

    def test_unsaved_changes_message_box(self):
        self.click_edit()
        desk.type_text("x")
        wait_equal(self.edit_text, "x", 5, what="typed text")

        box = self.close_and_wait_for_message_box()
        self.assertEqual([b["id"] for b in box["buttons"]], [IDYES, IDNO, IDCANCEL])
        self.assertEqual(box["default"], IDYES)
        self.assertTrue(box["text"])
        self.assertEqual(box["title"], "记事本")

        desk.probe("press", box["hwnd"], IDCANCEL)  # back to the text, nothing lost
        wait_for(lambda: not desk.find_windows(cls="#32770"), 5, what="message box to close")
        self.assertEqual(self.edit_text(), "x")

        box = self.close_and_wait_for_message_box()
        desk.probe("press", box["hwnd"], IDNO)  # discard: notepad ends
        self.assertEqual(self.proc.wait(10), 0)

    def close_and_wait_for_message_box(self):
        desk.probe("close", self.win["hwnd"])
        found = desk.wait_window(exe="notepad.exe", cls="#32770")
        self.assertEqual(found["owner"], self.win["hwnd"])
        return desk.probe("msgbox", found["hwnd"])

    def test_gui_resources(self):
        counts = desk.probe("gui-resources", self.win["pid"])
        if not counts["supported"]:
            self.skipTest(f"GetGuiResources not implemented here (error {counts['error']})")
        self.assertGreater(counts["gdi"], 0)
        self.assertGreater(counts["user"], 0)


class PrintQueueTest(unittest.TestCase):
    """What a 32-bit Wine program prints reaches the private queue as its default
    printer and comes out as a PDF whose sizes can be measured."""

    DPI = 300
    MM = 0.5  # how far a measured length may be off

    def setUp(self):
        self.queue = desk.print_queue
        self.queue.reset()

    def test_rectangle_comes_out_at_its_size_and_place(self):
        dc = desk.probe("print-rect", 100, 50, 20, 20, "--title", "harness rect", timeout=60)
        self.assertEqual(dc["printer"], "PDF")  # the private queue is the default printer
        # The DC describes A4 portrait in its own units.
        self.assertAlmostEqual(dc["physicalwidth"] / dc["logpixelsx"] * 25.4, 210, delta=self.MM)
        self.assertAlmostEqual(dc["physicalheight"] / dc["logpixelsy"] * 25.4, 297, delta=self.MM)

        pdf = self.queue.next_pdf()
        # Private: the PDF is in the work folder, the machine's /etc/cups is its own.
        self.assertTrue(pdf.is_relative_to(desk.workdir), pdf)
        self.assertFalse(os.path.samefile("/etc/cups", self.queue.etc))
        self.assertTrue(pdf.name.startswith("harness_rect-job_"), pdf.name)  # named after the title
        pages = pdf_pages(pdf)
        self.assertEqual(len(pages), 1)
        self.assertEqual(pages[0].orientation, "portrait")
        self.assertAlmostEqual(pages[0].width_mm, 210, delta=self.MM)
        self.assertAlmostEqual(pages[0].height_mm, 297, delta=self.MM)

        image = render_page(pdf, self.DPI, desk.workdir)
        left, top, right, bottom = box = _dark_box(image)
        measured = [v * 25.4 / self.DPI for v in (left, top, right - left, bottom - top)]
        for name, got, want in zip(("left", "top", "width", "height"), measured, (20, 20, 100, 50)):
            with self.subTest(name):
                self.assertAlmostEqual(got, want, delta=self.MM)
        self.assertGreater(share_of(image, (left + 2, top + 2, right - 2, bottom - 2), (0, 0, 0)),
                           0.99, "the rectangle is solid black")
        self.assertEqual(self.queue.failed_jobs(), [])

    def test_disabled_queue_holds_the_job_until_enabled(self):
        self.queue.disable()
        self.addCleanup(self.queue.enable)
        self.assertFalse(self.queue.enabled())
        desk.probe("print-rect", 30, 30, 10, 10, "--title", "held", timeout=60)

        held = wait_for(self.queue.queued_jobs, 10, what="the job in the queue")
        self.assertEqual(len(held), 1)
        job = held[0]
        self.assertFalse(self.queue.enabled(), self.queue.state())  # not "now printing"
        # cupsd never started it (a job it starts logs its filters at once) and no PDF is there.
        self.assertEqual(self._started(job), [])
        self.assertEqual([p for p in self.queue.pdfs() if job_of(p) == job], [])
        self.assertEqual(self.queue.queued_jobs(), [job])

        self.queue.enable()
        pdf = self.queue.next_pdf()
        self.assertEqual(job_of(pdf), job)
        self.assertNotEqual(self._started(job), [])
        self.assertEqual(len(pdf_pages(pdf)), 1)
        self.assertEqual(self.queue.queued_jobs(), [])
        self.assertEqual(self.queue.failed_jobs(), [])

    def _started(self, job):
        return [line for line in self.queue.job_log(job) if "Started" in line]


def _dark_box(image):
    """Bounding box (left, top, right, bottom; right and bottom exclusive) of the
    pixels darker than mid-grey."""
    box = image.convert("L").point(lambda v: 255 if v < 128 else 0).getbbox()
    if box is None:
        raise AssertionError("nothing dark on the page")
    return box


def _narrow(cursor):
    """An I-beam: its drawn pixels taller than wide, hotspot in their middle. (The cursor's
    bitmap itself may be square, with the beam inside it.)"""
    drawn = cursor.image.getchannel("A").getbbox()
    if not drawn:
        return None
    left, top, right, bottom = drawn
    tall = bottom - top > right - left
    return cursor if tall and abs(cursor.yhot - (top + bottom) // 2) <= 2 else None


def _not_narrow(cursor):
    return None if _narrow(cursor) else cursor


if __name__ == "__main__":
    unittest.main()

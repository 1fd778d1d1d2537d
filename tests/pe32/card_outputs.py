#!/usr/bin/python3
"""The program's own build on one private desktop: its test executables, the pictures its
command line writes and the picture a real start saves, each stage timed.

    /usr/bin/python3 tests/pe32/card_outputs.py OUT [--tests]

Runs on whichever build tools/wine-env.sh chooses (tests/e2e/desktop.py): on the emulated
machine of tests/pe32/run.sh that is the 32-bit build/velmora.exe, on this machine the 64-bit
stand-in. The pictures land in OUT (OUT/command-line/*, OUT/saved.bmp), with OUT/glyphs.json,
how the system's font rasteriser draws the digits, for tests/pe32/compare.py. With --tests it
first runs unit_tests.exe and ui_tests.exe from the same build folder. Every wait has a limit
(scaled by VELMORA_SLOWNESS: see desktop.py). Exits non-zero when any stage fails, naming it.
"""

import argparse
import json
import shutil
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from desktop import BUILD, Desktop, wait_for  # noqa: E402

NUMBER = "13800138000"
# The command line's pictures: name -> arguments after the number.
COMMAND_LINE = {
    "card-300.png": [],
    "card-300-qr.png": ["--qr"],
    "card-100.png": ["--dpi", "100"],
    "card-100-qr.png": ["--dpi", "100", "--qr"],
    "card-300.jpg": [],
    "card-100.bmp": ["--dpi", "100"],
    "card-300-bw.png": ["--style", "bw"],
    "card.pdf": ["--page", "card"],
}
SAVED_NAME = f"保存的临时停车牌_{NUMBER}.bmp"
# The digits' font at the card's two sizes (90 points at 96 and at 288 dpi), as the program
# asks for it.
GLYPH_HEIGHTS = (-120, -360)


def log(text):
    print(f"[{time.strftime('%H:%M:%S')}] {text}", flush=True)


class Stages:
    """Runs named stages in order, timing each; a failed stage is reported and the rest
    still run, so one run shows everything that is wrong."""

    def __init__(self):
        self.failed = []

    def run(self, name, action):
        log(f"stage {name}: start")
        started = time.monotonic()
        try:
            action()
            outcome = "ok"
        except Exception as e:  # reported with its stage; the run goes on
            outcome = f"FAILED: {e}"
            self.failed.append(name)
        log(f"stage {name}: {outcome} ({time.monotonic() - started:.1f} s)")


def run_test_executable(desk, name, limit):
    exe = BUILD / "tests" / f"{name}.exe"
    r = desk.run_wine([exe, "--gtest_brief=1"], timeout=limit, check=False)
    print(r.stdout[-6000:], r.stderr[-3000:], sep="\n", flush=True)
    if r.returncode != 0:
        raise RuntimeError(f"{name} exited {r.returncode}")


def write_command_line_pictures(desk, out):
    folder = out / "command-line"
    folder.mkdir(parents=True, exist_ok=True)
    for name, extra in COMMAND_LINE.items():
        target = folder / name
        target.unlink(missing_ok=True)
        started = time.monotonic()
        r = desk.run_wine([BUILD / "velmora.exe", "--number", NUMBER, "--out", "Z:" + str(target).replace("/", "\\"),
                           *extra], timeout=60, check=False)
        log(f"  {name}: exit {r.returncode} ({time.monotonic() - started:.1f} s) {r.stdout.strip()} {r.stderr.strip()}")
        if r.returncode != 0 or not target.exists():
            raise RuntimeError(f"velmora.exe --out {name} {' '.join(extra)} exited {r.returncode}")


def probe_glyphs(desk, out):
    """What the system's font rasteriser makes of the digits, for compare.py to tell whether
    a difference in the pictures is the rasteriser's."""
    glyphs = {str(h): desk.probe("glyphs", "宋体", h, "0123456789*") for h in GLYPH_HEIGHTS}
    (out / "glyphs.json").write_text(json.dumps(glyphs, ensure_ascii=False, indent=1))


def start_type_and_save(desk, out):
    """The usage notice, OK, the number typed into its box, 保存为图片, the confirmation
    answered with its default (No: go on), and the BMP beside the program."""
    folder = Path(tempfile.mkdtemp(prefix="start-", dir=desk.workdir))
    shutil.copy(BUILD / "velmora.exe", folder / "velmora.exe")
    program = desk.launch(folder / "velmora.exe")
    try:
        desk.wait_window(title="^使用前提示$", exe="velmora.exe", timeout=60)
        desk.press_in("使用前提示", "Return")
        panel = desk.wait_window(title="^控制面板 ", exe="velmora.exe", timeout=30)
        controls = desk.probe("children", panel["hwnd"], timeout=15)
        edit = next(c for c in controls if c["class"] == "Edit")
        save = next(c for c in controls if c["text"] == "保存为图片")
        desk.click(*centre(edit["rect"]))
        wait_for(lambda: desk.probe("focus", panel["hwnd"], timeout=15)["focus"]["hwnd"] == edit["hwnd"],
                 10, what="the number box to have the focus")
        desk.type_text(NUMBER, delay_ms=60)
        wait_for(lambda: text_of(desk, panel, edit) == NUMBER, 20, what=f"{NUMBER} in the number box")
        desk.click(*centre(save["rect"]))
        desk.wait_window(title="^号码确认$", exe="velmora.exe", timeout=30)
        desk.press_in("号码确认", "Return")
        saved = folder / SAVED_NAME
        # Written under a temporary name and renamed: once it has the name, it is whole.
        wait_for(saved.exists, 30, 0.2, f"{SAVED_NAME} beside the program")
        shutil.copy(saved, out / "saved.bmp")
    finally:
        program.stop(5)


def text_of(desk, panel, edit):
    found = [c for c in desk.probe("children", panel["hwnd"], timeout=15) if c["hwnd"] == edit["hwnd"]]
    return found[0]["text"] if found else None


def centre(rect):
    return (rect["left"] + rect["right"]) // 2, (rect["top"] + rect["bottom"]) // 2


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out", type=Path)
    parser.add_argument("--tests", action="store_true", help="run unit_tests.exe and ui_tests.exe first")
    args = parser.parse_args()
    args.out.mkdir(parents=True, exist_ok=True)
    log(f"build {BUILD}")
    stages = Stages()
    started = time.monotonic()
    with Desktop() as desk:
        log(f"stage desktop: ok ({desk.timings['total']:.1f} s: X {desk.timings['x']:.1f} s, "
            f"print queue {desk.timings['print']:.1f} s, Wine prefix {desk.timings['prefix']:.1f} s)")
        if args.tests:
            stages.run("unit", lambda: run_test_executable(desk, "unit_tests", 120))
            stages.run("ui", lambda: run_test_executable(desk, "ui_tests", 300))
        stages.run("glyphs", lambda: probe_glyphs(desk, args.out))
        stages.run("command line", lambda: write_command_line_pictures(desk, args.out))
        stages.run("start and save", lambda: start_type_and_save(desk, args.out))
    log(f"all stages: {time.monotonic() - started:.1f} s"
        + (f"; FAILED: {', '.join(stages.failed)}" if stages.failed else ""))
    return 1 if stages.failed else 0


if __name__ == "__main__":
    sys.exit(main())

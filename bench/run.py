#!/usr/bin/python3
"""Velmora's benchmark: velmora.exe weighed against floor.exe, a bare window program built
the same way, under Wine on a private Xvfb desktop (tests/e2e/desktop.py). Each figure is a
ratio to floor.exe doing the least of the same work in the same run (durable writes, a bare
edit control, a bare PNG encode, the same system libraries loaded), against its target; it is
not a test and fails nothing.

    /usr/bin/python3 bench/run.py [--runs N] [--quick]
    /usr/bin/python3 bench/run.py --soak      # one copy through a long day: about 30 minutes

Needs velmora.exe, winprobe.exe and bench/{floor,resources}.exe in the build folder that
tests/e2e/desktop.py names (build/, or build-x64/ where the kernel runs no 32-bit programs):
cmake --build --preset mingw (or mingw-x64).
See bench/README.md for what each figure means.
"""

import argparse
import collections
import ctypes
import ctypes.util
import json
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from desktop import BUILD, WINE, DesktopError, attach, linux_pid_of, wait_for  # noqa: E402

VELMORA = BUILD / "velmora.exe"
BENCH_BIN = BUILD / "bench"
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
PARK = (1270, 1015)  # where the pointer waits: over no window, so no hover effects
STARTUP_PAIRS = 30  # start-only launches of each program, in pairs (10 with --quick)
# When the interval of the start-up ratio is still as wide as the target's margin after those,
# more pairs are taken, ten at a time, up to this many times as many in all.
STARTUP_MORE = 3
BOOTSTRAP_ROUNDS = 4000
BOOTSTRAP_SEED = 1  # fixed: the same samples give the same interval
CLICK_BOUND = 3.0  # a click or a key press that brings nothing in this long is counted as lost
IN_A_ROW = 5  # lost inputs in a row after which the run gives up

# Targets (see README.md). Ratios are to the floor of the same work, measured in the same run;
# memory is against a floor that has loaded the same system libraries.
STARTUP_RATIO = 1.10  # ratio of the medians
STARTUP_UPPER = 1.15  # the upper end of its 95 % interval
IDLE_EXTRA_CORE_PERCENT = 0.5
KEY_RATIO = 1.5  # key to card painted / key to label painted in a bare edit control
SAVE_PASSES_RATIO = 1.3  # the three passes / three bare durable writes of the same bytes
PNG_RATIO = 1.3  # the 300 dpi PNG from the command line / the same pixels encoded bare
COMMAND_LINE_STARTUPS = 2.0  # the whole 300 dpi command line / the bare window's start-up
PDF_RATIO = 1.2  # the command line's PDF / its PNG, both at 300 dpi, the whole process
PDF_MEMORY_EXTRA_MB = 10.0  # over the PNG's peak
MEMORY_EXTRA_MB = 8.0
EXPORT_MEMORY_EXTRA_MB = 20.0
PRINT_MEMORY_EXTRA_MB = 20.0
# Figures with no floor yet keep an absolute target.
SAVE_LATENCY_MS = 350.0  # Enter to the report: the program's 300 ms wait and the passes
PNG_300_DPI_MS = 400.0  # Save As at print quality, through the dialog
PNG_100_DPI_MS = 60.0
PRINT_MS = 1500.0  # the dialog accepted to the job handed to the spooler
OUTPUT_SAMPLES = 5
DURABLE_ROUNDS = 30  # rounds of the durable-write floor (three writes each)
MEMORY_FLOOR_SAMPLES = 3  # starts of the floor with a command's libraries loaded
# Objects after the loops may exceed those after start by this much. The loops run at
# least 20 saves and 20 panel closings, so a leak of a single object per save or per
# closing shows as 20 or more, four times this; a handful is what a system cache may
# keep (Wine's DC cache, a font it keeps realised).
OBJECT_TOLERANCE = 5
# The soak's memory may grow by this much after its first round of each kind: a leak of 4 KB
# per operation over the 900 saves or closings after the first round shows as 3.5 MB.
SOAK_MEMORY_MB = 2.0


_STARTED = time.monotonic()


def log(message):
    print(f"[{time.monotonic() - _STARTED:5.0f} s] {message}", file=sys.stderr, flush=True)


# Kinds of lost input, counted by where they happened: a save ("save"), the soak's typing
# ("soak") and mode switches ("mode"), or anywhere else ("other": the start-up notice, the
# floor's boxes).
MISSED_CLICK = "missed clicks"
LOST_ENTER = "lost Enter presses"
UNFOCUSED_BOX = "boxes shown without the keyboard focus"
LOST_KEY = "lost keystrokes"
WRONG_TEXT = "number box text not as typed"


class Tally:
    """Inputs that did not take. None is sent again in silence: each is counted, logged with
    the trace around it, and only then is the input sent once more to go on."""

    def __init__(self):
        self.counts = collections.Counter()

    def add(self, kind, where, what, trace=None, since=None):
        self.counts[kind, where] += 1
        log(f"  {kind} ({where}) #{self.counts[kind, where]}: {what}")
        if trace is not None:
            for line in trace.context(since if since is not None else time.time()):
                log(f"    {line}")

    def __getitem__(self, key):
        return self.counts[key]


TALLY = Tally()


# ------------------------------------------------------------------ the trace

@dataclass
class Event:
    time: float
    name: str
    detail: str


class Trace:
    """A VELMORA_TRACE file, read as it grows."""

    def __init__(self, path):
        self.path = Path(path)
        self.events = []
        self._offset = 0
        self._partial = b""

    def windows_path(self):
        return windows_path(self.path)

    def refresh(self):
        if not self.path.exists():
            return self.events
        with open(self.path, "rb") as f:
            f.seek(self._offset)
            data = f.read()
        self._offset += len(data)
        *lines, self._partial = (self._partial + data).split(b"\n")
        for line in lines:
            stamp, name, *detail = line.decode("utf-8", "replace").split(" ", 2)
            self.events.append(Event(float(stamp), name, detail[0] if detail else ""))
        return self.events

    def find(self, name, detail_prefix="", start=0):
        """Index of the first event NAME (detail starting so) at or after index START."""
        for i in range(start, len(self.refresh())):
            e = self.events[i]
            if e.name == name and e.detail.startswith(detail_prefix):
                return i
        return None

    def context(self, moment, before=2.0, limit=40):
        """The trace lines from BEFORE seconds ahead of MOMENT on, timed from MOMENT."""
        near = [e for e in self.refresh() if e.time >= moment - before][-limit:]
        return [f"{e.time - moment:+8.3f} s {e.name} {e.detail}".rstrip() for e in near]

    def wait(self, name, detail_prefix="", start=0, timeout=10.0):
        found = wait_for(lambda: self.find(name, detail_prefix, start) is not None, timeout, 0.002,
                         f"trace event {name} {detail_prefix}".strip())
        return self.find(name, detail_prefix, start) if found else None


def key_latencies(events, painted_class):
    """For each `key` event, the seconds to the next `painted PAINTED_CLASS`; None for a key
    with no such paint before the next key."""
    latencies, pending = [], None
    for e in events:
        if e.name == "key":
            if pending is not None:
                latencies.append(None)  # no paint for the previous key
            pending = e.time
        elif e.name == "painted" and e.detail.startswith(painted_class) and pending is not None:
            latencies.append(e.time - pending)
            pending = None
    if pending is not None:
        latencies.append(None)
    return latencies


# The steps of a save's passes and of the floor's durable writes, each named by the trace line
# that ends it: what the time between two lines went to.
STEPS = {"save.rendered": "render", "write.created": "create", "write.written": "write",
         "write.flushed": "flush", "write.renamed": "rename"}


def step_times(events):
    """Seconds spent before each trace line of STEPS, summed over EVENTS."""
    parts = collections.Counter()
    for a, b in zip(events, events[1:]):
        if b.name in STEPS:
            parts[STEPS[b.name]] += b.time - a.time
    return parts


def spans(events, first, last):
    """(index of FIRST, index of the LAST after it) for each such pair of events."""
    out, opened = [], None
    for i, e in enumerate(events):
        if e.name == first:
            opened = i
        elif e.name == last and opened is not None:
            out.append((opened, i))
            opened = None
    return out


@dataclass
class SaveTimes:
    latency: float  # Enter on 号码确认 to save.report
    passes: float  # save.start to the last save.written: drawn once, written three times
    wait: float  # Enter to save.start: the program's 300 ms wait
    report: float  # the last save.written to save.report: the windows given back
    steps: list  # save.start, each save.written, save.report: the times between
    parts: dict  # STEPS' names: seconds (builds that trace them)


# ------------------------------------------------------------------ Linux side of a process

def proc_cpu_seconds(pid):
    """utime + stime of a live process, all its threads."""
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS  # fields 14 and 15 of stat


def proc_status_kb(pid, key):
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith(key + ":"):
            return int(line.split()[1])
    raise DesktopError(f"no {key} for process {pid}")


def proc_environ(pid):
    try:
        raw = Path(f"/proc/{pid}/environ").read_bytes()
    except OSError:
        return {}
    pairs = (item.split(b"=", 1) for item in raw.split(b"\0") if b"=" in item)
    return {k.decode(errors="replace"): v.decode(errors="replace") for k, v in pairs}


def proc_comm(pid):
    try:
        return Path(f"/proc/{pid}/comm").read_text().strip()
    except OSError:
        return ""


def all_pids():
    return [int(p) for p in os.listdir("/proc") if p.isdigit()]


def x_server_pid(display):
    """The X server's pid, from the lock file it keeps for its display."""
    try:
        return int(Path(f"/tmp/.X{display.lstrip(':').split('.')[0]}-lock").read_text().strip())
    except (OSError, ValueError):
        return None


def desktop_pids(desk):
    """This desktop's wineserver, and its other helpers (Wine's explorer, services, ...,
    the window manager, the X server)."""
    server, others = None, []
    for pid in all_pids():
        env, comm = proc_environ(pid), proc_comm(pid)
        if env.get("WINEPREFIX") == str(desk.prefix):
            if comm.startswith("wineserver"):
                server = pid
            else:
                others.append(pid)
        elif comm == "openbox" and env.get("DISPLAY") == desk.display:
            others.append(pid)
    xvfb = x_server_pid(desk.display)
    if xvfb:
        others.append(xvfb)
    if server is None:
        raise DesktopError("cannot find this desktop's wineserver")
    return server, others


def wakeups(pid):
    """Voluntary context switches of all threads of a process: how often it slept and woke."""
    total = 0
    for status in Path(f"/proc/{pid}/task").glob("*/status"):
        try:
            text = status.read_text()
        except OSError:  # a thread that ended meanwhile
            continue
        total += sum(int(line.split()[1]) for line in text.splitlines()
                     if line.startswith("voluntary_ctxt_switches:"))
    return total


def cpu_of(pids):
    total = 0.0
    for pid in pids:
        try:
            total += proc_cpu_seconds(pid)
        except OSError:  # a helper that ended meanwhile
            pass
    return total


# ------------------------------------------------------------------ one running copy

class Session:
    """One copy of a program started in a folder of its own with its trace on."""

    def __init__(self, desk, exe, title_box, card_class, args=()):
        self.desk = desk
        self.args = args
        self.folder = Path(tempfile.mkdtemp(prefix=exe.stem + "-", dir=desk.workdir))
        self.exe = self.folder / exe.name
        shutil.copy(exe, self.exe)
        self.trace = Trace(self.folder / "trace.log")
        self.title_box = title_box
        self.card_class = card_class
        self.launched = None
        self.started_at = None
        self.pid = None

    def start(self):
        self.started_at = time.time()  # Popen time: the trace's clock is the same one
        self.launched = self.desk.launch(self.exe, self.args,
                                         extra_env={"VELMORA_TRACE": self.trace.windows_path()})
        self.pid = wait_for(lambda: linux_pid_of(self.exe), 10, 0.01, f"{self.exe.name}'s process")

    def startup_seconds(self):
        """Popen to the first paint of the main window once the start-up box was asked for."""
        box = self.trace.wait("message_box", self.title_box, timeout=20)
        painted = self.trace.wait("painted", self.card_class, start=box + 1, timeout=20)
        return self.trace.events[painted].time - self.started_at

    def windows_pid(self):
        return self.desk.find_windows(exe=self.exe.name, visible=None)[0]["pid"]

    def dismiss(self, title, where="other"):
        """Enter on the box TITLE once it has the keyboard focus; a press after which the box
        is still there after CLICK_BOUND seconds is counted as lost before pressing again."""
        box = self.desk.wait_window(title=f"^{title}$", exe=self.exe.name)
        for _ in range(IN_A_ROW):
            wait_focused(self.desk, title, where, self.trace)
            pressed = time.time()
            self.desk.key("Return")
            try:
                wait_for(lambda: not self.desk.find_windows(title=f"^{title}$", exe=self.exe.name), CLICK_BOUND,
                         0.05)
                return box
            except DesktopError:
                TALLY.add(LOST_ENTER, where, f"Enter on {title} did not close it", self.trace, pressed)
        raise DesktopError(f"the box {title} does not close")

    def cpu_seconds(self):
        return proc_cpu_seconds(self.pid)

    def peak_rss_mb(self):
        return proc_status_kb(self.pid, "VmHWM") / 1024

    def stop(self):
        if self.launched:
            self.launched.stop(5)
        wait_for(lambda: linux_pid_of(self.exe) is None, 10, 0.05, f"{self.exe.name} to end")


def wait_focused(desk, title, where, trace=None):
    """Waits for the box TITLE to have the keyboard focus. Now and then (once in some hundreds
    of boxes) the window manager does not hand it over: that is counted, and the box is then
    activated as a click on it would."""
    try:
        wait_for(lambda: desk.focused_title() == title, CLICK_BOUND, 0.005)
    except DesktopError:
        TALLY.add(UNFOCUSED_BOX, where, f"the box {title} came up without the keyboard focus; activating it",
                  trace, time.time() - CLICK_BOUND)
        desk.xdotool("search", "--name", f"^{title}$", "windowactivate", "--sync")
        wait_for(lambda: desk.focused_title() == title, 10, 0.005, f"the box {title} focused")


def x_windows(desk, title):
    """The X windows on the screen (mapped) whose title matches the regular expression TITLE."""
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title], env=desk.env,
                       capture_output=True, text=True, timeout=10)
    return r.stdout.split()  # xdotool exits 1 when it finds none


def idle_cpu(desk, session, seconds):
    """Share of one core used while nothing happens, by the program, by the wineserver and
    by the rest of the desktop; and how often the program woke up, per second."""
    desk.move(*PARK)
    time.sleep(1.0)  # let the last repaints and the pointer move settle
    server, others = desktop_pids(desk)
    others = [p for p in others if p != session.pid]
    before = (session.cpu_seconds(), cpu_of([server]), cpu_of(others), wakeups(session.pid), time.monotonic())
    time.sleep(seconds)
    after = (session.cpu_seconds(), cpu_of([server]), cpu_of(others), wakeups(session.pid), time.monotonic())
    wall = after[-1] - before[-1]
    used = {k: 100 * (after[i] - before[i]) / wall  # percent of one core
            for i, k in enumerate(("program", "server", "desktop"))}
    used["wakeups"] = (after[3] - before[3]) / wall
    return used


# ------------------------------------------------------------------ the floor

FLOOR_BOX, FLOOR_CLASS = "基准提示", "Velmora.Floor"


def startup_only(desk, exe, box, card_class):
    """One more start-up sample: start, wait for the first paint, end."""
    s = Session(desk, exe, box, card_class)
    try:
        s.start()
        return s.startup_seconds()
    finally:
        s.stop()


def startup_pairs(desk, floor_exe, pairs):
    """Start-up samples in pairs, one start-only launch of each program, the two taken one
    right after the other and the order swapped from pair to pair: whatever the machine
    does meanwhile weighs on both alike. PAIRS of them, and ten more at a time while the
    interval of the ratio is as wide as the target's margin, up to STARTUP_MORE * PAIRS.
    Returns [(floor seconds, velmora seconds)] and the share of the CPU time the host took
    meanwhile (steal)."""
    starts = {"floor": (floor_exe, FLOOR_BOX, FLOOR_CLASS), "velmora": (VELMORA, *VELMORA_BOX_AND_CLASS)}
    samples, stolen = [], cpu_steal()
    goal = pairs
    while True:
        while len(samples) < goal:
            order = ("floor", "velmora") if len(samples) % 2 == 0 else ("velmora", "floor")
            pair = {name: startup_only(desk, *starts[name]) for name in order}
            samples.append((pair["floor"], pair["velmora"]))
            if len(samples) % 10 == 0:
                log(f"start-up pairs {len(samples)}/{goal}: last floor {pair['floor'] * 1000:.0f} ms, "
                    f"velmora {pair['velmora'] * 1000:.0f} ms")
        lo, hi = ratio_interval(samples)
        if hi - lo < STARTUP_UPPER - 1 or goal >= STARTUP_MORE * pairs:
            return samples, cpu_steal(stolen)
        log(f"  the ratio's interval x{lo:.3f}-x{hi:.3f} is as wide as the margin: ten pairs more")
        goal = min(goal + 10, STARTUP_MORE * pairs)


def cpu_steal(since=None):
    """/proc/stat's steal and total time of all CPUs; with SINCE, the share stolen since then:
    a virtual machine whose host gives its time to others is slow in a way its load average
    does not show."""
    fields = [int(x) for x in Path("/proc/stat").read_text().split("\n", 1)[0].split()[1:]]
    now = (fields[7], sum(fields[:8]))  # steal; user..steal (guest time is within user)
    if since is None:
        return now
    total = now[1] - since[1]
    return 100.0 * (now[0] - since[0]) / total if total else 0.0


def run_floor(desk, floor_exe, idle_seconds):
    s = Session(desk, floor_exe, FLOOR_BOX, FLOOR_CLASS)
    try:
        s.start()
        startup = s.startup_seconds()
        s.dismiss(FLOOR_BOX)
        cpu = idle_cpu(desk, s, idle_seconds)
        return {"startup": startup, "cpu": cpu, "peak_idle_mb": s.peak_rss_mb()}
    finally:
        s.stop()


# ------------------------------------------------------------------ the floors of other work

def floor_work(desk, floor_exe, args, timeout):
    """floor.exe run with ARGS in a folder of its own until it ends; returns its trace."""
    s = Session(desk, floor_exe, FLOOR_BOX, FLOOR_CLASS, args)
    s.started_at = time.time()
    launched = desk.launch(s.exe, args, extra_env={"VELMORA_TRACE": s.trace.windows_path()})
    try:
        code = launched.wait(timeout)
    finally:
        launched.stop(5)
    if code != 0:
        raise DesktopError(f"floor.exe {args[0]} exited {code}: {launched.log()[-500:]}")
    s.trace.refresh()
    return s.trace


def durable_write_floor(desk, floor_exe, source, rounds):
    """Three durable writes of SOURCE's bytes a round, ROUNDS rounds 300 ms apart (a save's
    wait): for each round, its seconds and the seconds of each step."""
    trace = floor_work(desk, floor_exe, ("--durable-writes", windows_path(source), rounds, 300), 60 + rounds)
    e = trace.events
    return [(e[b].time - e[a].time, step_times(e[a:b + 1])) for a, b in spans(e, "writes.start", "writes.done")]


def png_floor(desk, floor_exe, source, runs):
    """SOURCE's pixels (a BMP, read untimed) encoded as PNG at 300 dpi and written, by RUNS
    fresh processes, each starting the imaging component as the command line does: seconds
    from export.start to export.written of each."""
    out = Path(tempfile.mkdtemp(prefix="png-floor-", dir=desk.workdir)) / "floor.png"
    seconds = []
    for _ in range(runs):
        e = floor_work(desk, floor_exe, ("--png", windows_path(source), windows_path(out)), 60).events
        seconds += [e[b].time - e[a].time for a, b in spans(e, "export.start", "export.written")]
    return seconds


def edit_floor(desk, floor_exe, digits):
    """DIGITS typed, then as many BackSpaces, into a bare edit control, as into velmora's
    number box: for each key, the time to the label's next paint."""
    s = Session(desk, floor_exe, FLOOR_BOX, FLOOR_CLASS, ("--edit",))
    try:
        s.start()
        s.trace.wait("painted", "Velmora.FloorLabel", timeout=20)
        wait_focused(desk, "Velmora floor edit", "other", s.trace)
        start = len(s.trace.refresh())
        desk.xdotool("type", "--delay", 80, "--", digits)
        desk.xdotool("key", "--delay", 80, *["BackSpace"] * len(digits))
        wait_for(lambda: sum(e.name == "key" for e in s.trace.refresh()[start:]) >= 2 * len(digits), 10, 0.02,
                 "all keys in the floor's trace")
        time.sleep(0.2)  # the last paint
        return key_latencies(s.trace.refresh()[start:], "Velmora.FloorLabel")
    finally:
        s.stop()


def loaded_modules(desk, resources_exe, process):
    """The system libraries a process (Windows pid, or its program's file name) has loaded,
    lower case, without the program itself."""
    names = desk.run_wine([resources_exe, "modules", process]).stdout.split()
    return sorted({n.lower() for n in names[1:]})


def command_line_modules(desk, exe, resources_exe, out):
    """The libraries the command line has loaded when its picture is encoded: it is held just
    before the file is renamed into place (the trace's pause for tests), listed, and ended."""
    trace = Trace(Path(out).with_suffix(".trace"))
    launched = desk.launch(exe, ("--number", "13800138000", "--out", windows_path(out), "--dpi", "300"),
                           extra_env={"VELMORA_TRACE": trace.windows_path(), "VELMORA_TRACE_PAUSE": "before-rename"})
    try:
        trace.wait("paused", "before-rename", timeout=30)
        return loaded_modules(desk, resources_exe, exe.name)
    finally:
        launched.stop(5)
        wait_for(lambda: linux_pid_of(exe) is None, 10, 0.05, f"the held {exe.name} to end")


def memory_floor(desk, floor_exe, modules):
    """The floor's peak resident memory (MB) once it has loaded MODULES too, started and
    idling as the plain floor does; the median of MEMORY_FLOOR_SAMPLES starts."""
    peaks = []
    for _ in range(MEMORY_FLOOR_SAMPLES):
        s = Session(desk, floor_exe, FLOOR_BOX, FLOOR_CLASS, ("--load", ",".join(modules)))
        try:
            s.start()
            s.startup_seconds()
            failed = [e.detail for e in s.trace.events if e.name == "load.failed"]
            if failed:
                log(f"  the floor could not load {', '.join(failed)}")
            s.dismiss(FLOOR_BOX)
            time.sleep(1.0)
            peaks.append(s.peak_rss_mb())
        finally:
            s.stop()
    return median(peaks)


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


# ------------------------------------------------------------------ velmora

class XInput:
    """Keys and clicks sent straight through the X server's XTEST extension: the moment of
    a key press is known to well within a millisecond, and a click costs no process start
    (xdotool takes milliseconds to start)."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                                   ctypes.c_ulong]
        self.dpy = self.x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise DesktopError(f"cannot open X display {display}")

    def press(self, key_name):
        """Presses and releases a key; returns the time just before the press went out."""
        code = self.x11.XKeysymToKeycode(self.dpy, self.x11.XStringToKeysym(key_name.encode()))
        pressed = time.time()
        self.xtst.XTestFakeKeyEvent(self.dpy, code, 1, 0)
        self.xtst.XTestFakeKeyEvent(self.dpy, code, 0, 0)
        self.x11.XFlush(self.dpy)
        return pressed

    def click(self, x, y, hold=0.05):
        """A click held down for HOLD seconds, as a hand does: openbox grabs the button of a
        window that is not focused and passes the press on, and a release that comes at
        once with the press is now and then lost on the way, and the click with it."""
        self.xtst.XTestFakeMotionEvent(self.dpy, -1, x, y, 0)
        self.xtst.XTestFakeButtonEvent(self.dpy, 1, 1, 0)
        self.x11.XFlush(self.dpy)
        time.sleep(hold)
        self.xtst.XTestFakeButtonEvent(self.dpy, 1, 0, 0)
        self.x11.XFlush(self.dpy)

    def close(self):
        self.x11.XCloseDisplay(self.dpy)


VELMORA_BOX_AND_CLASS = ("使用前提示", "Velmora.Card")
# The program's message boxes, as xdotool looks for them.
BOXES = "^(使用前提示|号码确认|保存提示|关于程序)$"


class Velmora(Session):
    def __init__(self, desk):
        super().__init__(desk, VELMORA, *VELMORA_BOX_AND_CLASS)
        self.panel_hwnd = None
        self.centres = None  # {control text, or class when it has none: centre on screen}
        self.input = XInput(desk.display)

    def start_to_panel(self):
        self.start()
        startup = self.startup_seconds()
        self.dismiss("使用前提示")
        self.find_panel()
        return startup

    def stop(self):
        try:
            super().stop()
        finally:
            self.input.close()

    def find_panel(self, other_than=None):
        """The panel's handle (waiting for one other than OTHER_THAN); its controls' places
        are read once: every new panel comes up centred, as the first did."""
        def current():
            found = [w["hwnd"] for w in self.desk.find_windows(title="^控制面板 ", exe=self.exe.name)]
            return found and found[0] != other_than and found[0]
        self.panel_hwnd = wait_for(current, 10, 0.02, "the panel")
        if self.centres is None:
            self.centres = {}
            for c in self.desk.probe("children", self.panel_hwnd):
                r = c["rect"]
                self.centres[c["text"] or c["class"]] = ((r["left"] + r["right"]) // 2, (r["top"] + r["bottom"]) // 2)
        return self.panel_hwnd

    def click(self, control):
        self.input.click(*self.centres[control])

    def boxes_on_screen(self):
        return x_windows(self.desk, BOXES)

    def panel_active(self):
        return any(w["foreground"] and w["hwnd"] == self.panel_hwnd for w in self.desk.windows(exe=self.exe.name))

    def wait_ready(self, timeout=10.0):
        """Waits until a click on the panel can take: no box of the program on the screen any
        more (a closed box's X window can stay a moment over the panel, and the save's boxes
        are centred over its save button) and the panel the active window, for the window
        manager (the X focus) and for Wine."""
        wait_for(lambda: (not self.boxes_on_screen() and self.desk.focused_title().startswith("控制面板 ")
                          and self.panel_active()), timeout, 0.005, "no box on the screen and the panel active")

    def click_for(self, control, event, detail, where):
        """One click on CONTROL once the panel is ready for it; returns the index of the trace
        event EVENT DETAIL it brings. A click that brings nothing within CLICK_BOUND seconds
        is counted as missed and logged with the trace around it; only then is it made again."""
        for _ in range(IN_A_ROW):
            self.wait_ready()
            start = len(self.trace.refresh())
            clicked = time.time()
            self.click(control)
            try:
                return self.trace.wait(event, detail, start=start, timeout=CLICK_BOUND)
            except DesktopError:
                TALLY.add(MISSED_CLICK, where, f"a click on {control} brought no {event} {detail} within "
                          f"{CLICK_BOUND:g} s", self.trace, clicked)
        raise DesktopError(f"{IN_A_ROW} clicks on {control} in a row bring no {event} {detail}")

    def enter_number(self, digits):
        self.wait_ready()
        self.click("Edit")
        start = len(self.trace.refresh())
        self.desk.xdotool("type", "--delay", 40, "--", digits)
        wait_for(lambda: self._keys_seen(start) >= len(digits), 10, 0.02, "the number typed")

    def type_and_measure(self, digits):
        """Types DIGITS, then as many BackSpaces, with xdotool; for each key that reached the
        number box, the time to the card's next paint (None when none came before the
        next key)."""
        self.wait_ready()
        self.click("Edit")
        start = len(self.trace.refresh())
        self.desk.xdotool("type", "--delay", 80, "--", digits)
        self.desk.xdotool("key", "--delay", 80, *["BackSpace"] * len(digits))
        wait_for(lambda: self._keys_seen(start) >= 2 * len(digits), 10, 0.02, "all keys in the trace")
        time.sleep(0.2)  # the last paint
        return key_latencies(self.trace.refresh()[start:], "Velmora.Card")

    def _keys_seen(self, start):
        return sum(1 for e in self.trace.refresh()[start:] if e.name == "key")

    def answer(self, title, then, start, where="save"):
        """Enter on the box TITLE once it has the keyboard focus; returns the time of the
        press and the index of the trace event THEN that follows it. A press after which
        THEN does not come within CLICK_BOUND seconds while the box keeps the focus is
        counted as lost, logged, and only then pressed again."""
        for _ in range(IN_A_ROW):
            wait_focused(self.desk, title, where, self.trace)
            pressed = self.input.press("Return")
            try:
                return pressed, self.trace.wait(then, start=start, timeout=CLICK_BOUND)
            except DesktopError:
                if self.desk.focused_title() != title:
                    raise
                TALLY.add(LOST_ENTER, where, f"Enter on {title} brought no {then} within {CLICK_BOUND:g} s",
                          self.trace, pressed)
        raise DesktopError(f"{IN_A_ROW} presses of Enter on {title} in a row are lost")

    def save(self):
        """One save as a user does it, timed from the trace (SaveTimes)."""
        start = len(self.trace.refresh())
        self.click_for("保存为图片", "message_box", "号码确认", "save")
        pressed, report = self.answer("号码确认", "save.report", start)
        began = self.trace.find("save.start", start=start)
        self.answer("保存提示", "save.done", report)
        events = self.trace.events[began:report + 1]
        marks = [e.time for e in events if e.name in ("save.start", "save.written", "save.report")]
        written = [e for e in events if e.name == "save.written"]
        passes_end = written[-1].time if written else events[-1].time
        return SaveTimes(latency=events[-1].time - pressed, passes=passes_end - events[0].time,
                         wait=events[0].time - pressed, report=events[-1].time - passes_end,
                         steps=[b - a for a, b in zip(marks, marks[1:])], parts=step_times(events))

    def close_panel(self):
        """WM_CLOSE to the panel; returns once the watchdog has shown a new one."""
        hwnd = self.panel_hwnd
        start = len(self.trace.refresh())
        self.desk.probe("close", hwnd)
        unloaded = self.trace.wait("unload", "Velmora.Panel", start=start)
        self.trace.wait("show", "Velmora.Panel", start=unloaded)
        self.find_panel(other_than=hwnd)


class Outputs(Velmora):
    """The card going out other than by 保存为图片: copying, Save As, printing, and the command
    line, each timed by the program's own trace."""

    def between(self, start, first, last, detail=""):
        """Seconds from trace event FIRST to the LAST after it, both after index START."""
        a = self.trace.wait(first, detail, start=start, timeout=30)
        b = self.trace.wait(last, "", start=a + 1, timeout=60)
        return self.trace.events[b].time - self.trace.events[a].time, b

    def copy(self):
        self.wait_ready()
        start = len(self.trace.refresh())
        self.desk.key("ctrl+c")
        return self.between(start, "copy.start", "copied")[0]

    def save_as(self, path):
        """Save As at print quality (the dialog's default) through the real dialog."""
        self.wait_ready()
        start = len(self.trace.refresh())
        self.desk.key("ctrl+shift+s")
        self.desk.wait_window(title="^另存为$", exe=self.exe.name)
        self.desk.press_in("另存为", "End", "shift+Home")  # the whole name, in any edit box
        self.desk.xdotool("type", "--delay", 5, "--", self.trace.windows_path().rsplit("\\", 1)[0] + "\\" + path)
        self.desk.key("Return")
        seconds, _ = self.between(start, "export.start", "export.written")
        wait_for(lambda: not self.desk.find_windows(title="^另存为$", exe=self.exe.name), 10, 0.05, "the dialog to go")
        return seconds

    def print_card(self):
        """Ctrl+P, the dialog accepted, the size note accepted; the seconds from the dialog's
        answer to the job handed to the spooler, less the time the note waited for its OK."""
        self.wait_ready()
        start = len(self.trace.refresh())
        self.desk.key("ctrl+p")
        self.desk.wait_window(title="^打印$", exe=self.exe.name, cls="#32770")
        self.desk.press_in("打印", "Return")
        chosen = self.trace.wait("print.chosen", start=start, timeout=30)
        note = self.trace.wait("message_box", "打印", start=chosen, timeout=30)
        wait_focused(self.desk, "打印", "print", self.trace)
        self.input.press("Return")
        started = self.trace.wait("print.started", start=note, timeout=30)
        done = self.trace.wait("print.done", start=started, timeout=60)
        self.trace.wait("message_box", "打印", start=done, timeout=30)  # the report
        wait_focused(self.desk, "打印", "print", self.trace)
        self.input.press("Return")
        wait_for(lambda: not x_windows(self.desk, "^打印$"), 10, 0.02, "the report to go")
        e = self.trace.events
        return (e[note].time - e[chosen].time) + (e[done].time - e[started].time)


def command_line_run(desk, exe, out, dpi):
    """One run of EXE --number ... --out OUT: its whole time, the time its trace gives from
    export.start to export.written (None when it traces none), and its peak resident memory
    (VmHWM, read as it runs)."""
    trace = Trace(Path(out).with_suffix(".trace"))
    env = dict(desk.env, VELMORA_TRACE=trace.windows_path())
    began = time.monotonic()
    with open(os.devnull, "wb") as quiet:
        process = subprocess.Popen([WINE, str(exe), "--number", "13800138000", "--out", windows_path(out),
                                    "--dpi", dpi],
                                   env=env, stdin=subprocess.DEVNULL, stdout=quiet, stderr=quiet)
        peak_kb = 0
        while process.poll() is None:
            pid = linux_pid_of(exe)
            try:
                peak_kb = max(peak_kb, proc_status_kb(pid, "VmHWM")) if pid else peak_kb
            except (OSError, DesktopError):
                pass  # it ended meanwhile
            time.sleep(0.002)
    whole = time.monotonic() - began
    if process.returncode != 0:
        raise DesktopError(f"{exe.name} --out {out} exited {process.returncode}")
    found = spans(trace.refresh(), "export.start", "export.written")
    encode = trace.events[found[0][1]].time - trace.events[found[0][0]].time if found else None
    return whole, encode, peak_kb / 1024


def run_outputs(desk, floor_exe, resources_exe):
    r = {"copy": [], "save_as": [], "print": [], "command_300": [], "encode_300": [], "peak_300_mb": [],
         "encode_100": [], "pdf": None}
    v = Outputs(desk)
    try:
        v.start_to_panel()
        v.enter_number("13800138000")
        for _ in range(OUTPUT_SAMPLES):
            r["copy"].append(v.copy())
        for i in range(3):
            r["save_as"].append(v.save_as(f"out-{i}.png"))
        r["peak_save_as_mb"] = v.peak_rss_mb()
    finally:
        v.stop()
    if desk.print_queue:
        p = Outputs(desk)  # a copy of its own: its peak is the printing's
        try:
            p.start_to_panel()
            p.enter_number("13800138000")
            desk.print_queue.reset()
            for _ in range(2):
                r["print"].append(p.print_card())
            r["peak_print_mb"] = p.peak_rss_mb()
            r["print_modules"] = loaded_modules(desk, resources_exe, p.windows_pid())
        finally:
            p.stop()
    for i in range(OUTPUT_SAMPLES):
        whole, encode, peak = command_line_run(desk, v.exe, v.folder / f"cli-{i}.png", "300")
        r["command_300"].append(whole)
        r["encode_300"].append(encode)
        r["peak_300_mb"].append(peak)
        r["encode_100"].append(command_line_run(desk, v.exe, v.folder / f"cli-{i}-100.png", "100")[1])
    command_line_run(desk, v.exe, v.folder / "cli-pixels.bmp", "300")  # the same pixels, for the floor
    r["png_floor"] = png_floor(desk, floor_exe, v.folder / "cli-pixels.bmp", OUTPUT_SAMPLES)
    r["pdf"] = command_line_pdfs(desk, v.exe, v.folder)
    r["command_modules"] = command_line_modules(desk, v.exe, resources_exe, v.folder / "cli-held.png")
    return r


def command_line_pdfs(desk, exe, folder):
    """The command line's PDF at 300 dpi, OUTPUT_SAMPLES times: [(whole seconds, peak MB)];
    None when the build under test writes no PDF (it refuses the first)."""
    runs = []
    for i in range(OUTPUT_SAMPLES):
        try:
            whole, _, peak = command_line_run(desk, exe, folder / f"cli-{i}.pdf", "300")
        except DesktopError as refused:
            if runs:
                raise
            log(f"  no PDF: {refused}")
            return None
        runs.append((whole, peak))
    return runs


def run_velmora(desk, idle_seconds, resources_exe):
    """Start-up, idling, typing and one save: what one user session does; and the system
    libraries loaded by then."""
    v = Velmora(desk)
    try:
        startup = v.start_to_panel()
        cpu = idle_cpu(desk, v, idle_seconds)
        peak_idle = v.peak_rss_mb()
        keys = v.type_and_measure("13800138000")
        v.enter_number("13800138000")
        save = v.save()
        return {"startup": startup, "cpu": cpu, "peak_idle_mb": peak_idle, "keys": keys, "saves": [save],
                "peak_mb": v.peak_rss_mb(), "modules": loaded_modules(desk, resources_exe, v.windows_pid())}
    finally:
        v.stop()


def warm_up(desk, floor_exe):
    """One unmeasured start of each program: the first Wine program of a new desktop waits
    for Wine's own helpers and would make start-up look slow."""
    run_floor(desk, floor_exe, 0)
    v = Velmora(desk)
    try:
        v.start_to_panel()
    finally:
        v.stop()


# ------------------------------------------------------------------ GDI and USER objects

class ObjectCounter:
    """GDI and USER object counts of one process: GetGuiResources where the system has it,
    and bench's resources.exe for each of its counts that passes its self-check here."""

    def __init__(self, desk, resources_exe, pid):
        self.desk, self.resources_exe, self.pid = desk, resources_exe, pid
        g = desk.probe("gui-resources", pid)
        self.gui_error = None if g["supported"] else g["error"]
        self.trusted = {}
        if resources_exe.exists():
            r = json.loads(desk.run_wine([resources_exe, "self"]).stdout)
            self.trusted = {k: r[f"{k}_ok"] for k in ("gdi_table", "windows", "kernel_handles")}

    def counts(self):
        out = {}
        if self.gui_error is None:
            g = self.desk.probe("gui-resources", self.pid)
            out["gdi"], out["user"] = g["gdi"], g["user"]
        if any(self.trusted.values()):
            r = json.loads(self.desk.run_wine([self.resources_exe, self.pid]).stdout)
            out.update({k: r[k] for k, ok in self.trusted.items() if ok})
            out["gdi_types"] = r.get("gdi_types", {})
        return out


def run_leak_loops(desk, resources_exe, loops):
    """Object counts after start, after a first save and a first closing (what they make
    once), after LOOPS more saves and after LOOPS more closings of the panel."""
    v = Velmora(desk)
    try:
        v.start_to_panel()
        v.enter_number("13800138000")
        desk.move(*PARK)
        time.sleep(0.5)
        counter = ObjectCounter(desk, resources_exe, v.windows_pid())
        counts = {"start": counter.counts()}
        saves = [v.save()]
        desk.move(*PARK)
        counts["first save"] = counter.counts()
        v.close_panel()
        v.enter_number("13800138000")  # the new panel comes back empty, as at load
        desk.move(*PARK)
        counts["first closing"] = counter.counts()
        for i in range(loops):
            saves.append(v.save())
            if (i + 1) % 50 == 0:
                log(f"  {i + 1} saves")
        counts["saves"] = counter.counts()
        for i in range(loops):
            v.close_panel()
            if (i + 1) % 50 == 0:
                log(f"  {i + 1} closings")
        desk.move(*PARK)
        time.sleep(1.0)
        counts["closings"] = counter.counts()
        return {"counter": counter, "counts": counts, "saves": saves, "peak_mb": v.peak_rss_mb(),
                "saved": v.folder / "保存的临时停车牌_13800138000.bmp"}
    finally:
        v.stop()


def run_floor_boxes(desk, floor_exe, resources_exe):
    """The floor's object counts after start, after a question and a notice like those of a
    save, and after a second pair: what the system itself keeps after its first boxes."""
    s = Session(desk, floor_exe, FLOOR_BOX, FLOOR_CLASS)
    pointer = XInput(desk.display)
    try:
        s.start()
        s.startup_seconds()
        s.dismiss(FLOOR_BOX)
        desk.move(*PARK)
        time.sleep(0.5)
        counter = ObjectCounter(desk, resources_exe, s.windows_pid())
        counts = {"start": counter.counts()}
        for stage in ("first boxes", "boxes again"):
            start = len(s.trace.refresh())
            for _ in range(IN_A_ROW):
                # As for the panel: the last box's X window gone, the floor's window focused.
                wait_for(lambda: not x_windows(desk, "^(基准提示|基准确认)$")
                         and desk.focused_title() == "Velmora floor", 10, 0.005, "the floor's window ready")
                clicked = time.time()
                pointer.click(600, 300)
                try:
                    s.trace.wait("message_box", "基准确认", start=start, timeout=CLICK_BOUND)
                    break
                except DesktopError:
                    TALLY.add(MISSED_CLICK, "other", "a click on the floor's window brought no question",
                              s.trace, clicked)
            else:
                raise DesktopError(f"{IN_A_ROW} clicks on the floor's window in a row bring no question")
            s.dismiss("基准确认")
            s.dismiss(FLOOR_BOX)
            s.trace.wait("boxes.done", start=start)
            desk.move(*PARK)
            time.sleep(0.5)
            counts[stage] = counter.counts()
        return counts
    finally:
        s.stop()
        pointer.close()


# ------------------------------------------------------------------ the soak

SOAK_COUNTS = (1000, 1000, 10000, 200)  # saves, panel closings, keystrokes, mode switches
# Checkpoints: after every thousand keystrokes and every 50 mode switches; after every hundred
# saves and closings, since a thousand of them would give a single checkpoint, nothing to
# compare with.
SOAK_EVERY = {"saves": 100, "closings": 100, "keystrokes": 1000, "mode switches": 50}
SOAK_SEED = 7  # the keystrokes' digits and BackSpaces: the same sequence every time
NUMBER = "13800138000"
NUMBER_BOX_LIMIT = 11  # the number box's limit in the 11-digit mode, the one at start
SOAK_COUNTS_SHOWN = (("windows", "windows of the process", OBJECT_TOLERANCE, "{:d}"),
                     ("gdi_table", "GDI objects (handle table)", OBJECT_TOLERANCE, "{:d}"),
                     ("gdi", "GDI objects (GetGuiResources)", OBJECT_TOLERANCE, "{:d}"),
                     ("user", "USER objects (GetGuiResources)", OBJECT_TOLERANCE, "{:d}"),
                     ("kernel_handles", "kernel handles", OBJECT_TOLERANCE, "{:d}"),
                     ("hwm_mb", "peak resident VmHWM (MB)", SOAK_MEMORY_MB, "{:.1f}"),
                     ("rss_mb", "resident VmRSS (MB)", SOAK_MEMORY_MB, "{:.1f}"))


class Soak:
    """One copy of velmora.exe through a long day: saves, closings of the panel, typing in
    the number box and switches of the digit mode, each in a phase of its own so that
    whatever grows is seen with the operation that makes it grow."""

    def __init__(self, desk, args):
        self.desk, self.args = desk, args
        self.v = Velmora(desk)
        self.every = {k: max(1, round(n * args.soak_scale)) for k, n in SOAK_EVERY.items()}
        self.checkpoints = []  # (kind, done, seconds since the start, counts)
        self.saves = []
        self.started = time.monotonic()
        self.counter = None
        self.stopped = None  # why the soak stopped early, if it did

    def run(self):
        v, a = self.v, self.args
        v.start_to_panel()
        v.enter_number(NUMBER)
        self.counter = ObjectCounter(self.desk, a.bin / "resources.exe", v.windows_pid())
        self.checkpoint("start", 0)
        self.phase("saves", a.soak_saves, lambda i: self.saves.append(v.save()))
        self.phase("closings", a.soak_closings, lambda i: v.close_panel())
        self.keystrokes(a.soak_keys)
        self.mode_switches(a.soak_modes)

    def phase(self, kind, count, operation):
        log(f"{kind}: {count}")
        for i in range(count):
            operation(i)
            if (i + 1) % self.every[kind] == 0 or i + 1 == count:
                self.checkpoint(kind, i + 1)

    def checkpoint(self, kind, done):
        self.desk.move(*PARK)  # no tooltip, no hover
        time.sleep(0.5)
        counts = {k: n for k, n in self.counter.counts().items() if k != "gdi_types"}
        counts["hwm_mb"] = self.v.peak_rss_mb()
        counts["rss_mb"] = proc_status_kb(self.v.pid, "VmRSS") / 1024
        elapsed = time.monotonic() - self.started
        self.checkpoints.append((kind, done, elapsed, counts))
        log(f"  after {done} {kind} ({elapsed:.0f} s): " + ", ".join(
            f"{k} {fmt.format(counts[k])}" for k, _, _, fmt in SOAK_COUNTS_SHOWN if k in counts))

    def number_text(self):
        return next(c["text"] for c in self.desk.probe("children", self.v.panel_hwnd) if c["class"] == "Edit")

    def keystrokes(self, count):
        """Digits and BackSpaces straight through XTEST, each sent once the trace has the one
        before; the text never goes past the box's limit, so every key is one the box takes."""
        v, rng = self.v, random.Random(SOAK_SEED)
        log(f"keystrokes: {count}")
        v.wait_ready()
        v.click("Edit")
        v.input.press("End")  # the caret after the text, whatever the box holds
        text = self.number_text()
        for i in range(count):
            if len(text) >= NUMBER_BOX_LIMIT or (text and rng.random() < 0.5):
                key, code, after = "BackSpace", 8, text[:-1]
            else:
                digit = str(rng.randrange(10))
                key, code, after = digit, ord(digit), text + digit
            start = len(v.trace.refresh())
            pressed = v.input.press(key)
            try:
                v.trace.wait("key", str(code), start=start, timeout=CLICK_BOUND)
                text = after
            except DesktopError:
                TALLY.add(LOST_KEY, "soak", f"{key} reached no key line within {CLICK_BOUND:g} s", v.trace, pressed)
            if (i + 1) % self.every["keystrokes"] == 0 or i + 1 == count:
                shown = self.number_text()
                if shown != text:
                    TALLY.add(WRONG_TEXT, "soak", f"the box holds {shown!r}, typed was {text!r}")
                    text = shown
                self.checkpoint("keystrokes", i + 1)

    def checked(self, caption):
        return any(c["text"] == caption and c["check"] == 1 for c in self.desk.probe("children", self.v.panel_hwnd))

    def mode_switches(self, count):
        """Clicks on 8位 and 11位 in turn; each must check its button within CLICK_BOUND."""
        v = self.v
        log(f"mode switches: {count}")
        modes = ("8位", "11位") if self.checked("11位") else ("11位", "8位")
        for i in range(count):
            mode = modes[i % 2]
            for _ in range(IN_A_ROW):
                v.wait_ready()
                clicked = time.time()
                v.click(mode)
                try:
                    wait_for(lambda: self.checked(mode), CLICK_BOUND, 0.02)
                    break
                except DesktopError:
                    TALLY.add(MISSED_CLICK, "mode", f"a click on {mode} did not check it", v.trace, clicked)
            else:
                raise DesktopError(f"{IN_A_ROW} clicks on {mode} in a row do not check it")
            if (i + 1) % self.every["mode switches"] == 0 or i + 1 == count:
                self.checkpoint("mode switches", i + 1)


def run_soak(desk, args):
    """The soak; one that stops early still reports what it saw up to then."""
    soak = Soak(desk, args)
    try:
        soak.run()
    except DesktopError as e:
        soak.stopped = str(e)
        log(f"the soak stopped early: {e}")
    finally:
        soak.v.stop()
    return soak


def soak_verdicts(soak):
    """Per count: each later checkpoint against the first checkpoint of its kind."""
    rows = []
    kinds = [k for k in SOAK_EVERY if any(c[0] == k for c in soak.checkpoints)]
    shown = soak.checkpoints[0][3]
    if soak.counter.gui_error is not None:
        for kind in ("GDI", "USER"):
            rows.append(Row(f"{kind} objects (GetGuiResources)", "not measurable here",
                            result=f"Wine: Win32 error {soak.counter.gui_error}"))
    for key, label, tolerance, fmt in SOAK_COUNTS_SHOWN:
        if key not in shown:
            if key in soak.counter.trusted:
                rows.append(Row(label, "not measurable here", result="self-check fails under this system"))
            continue
        parts, worst = [], None
        for kind in kinds:
            values = [c[3][key] for c in soak.checkpoints if c[0] == kind]
            if len(values) < 2:
                parts.append(f"{kind} (one checkpoint)")
                continue
            grown = max(v - values[0] for v in values[1:])
            worst = grown if worst is None else max(worst, grown)
            parts.append(f"{kind} {fmt.format(values[0])} {('{:+' + fmt[2:]).format(grown)}")
        rows.append(Row(label, "; ".join(parts), target=f"<= +{tolerance:g}",
                        result="n/a" if worst is None else verdict(worst <= tolerance)))
    return rows


def print_soak(soak):
    if soak.stopped:
        print(f"STOPPED EARLY: {soak.stopped}")
    if not soak.checkpoints:
        return
    names = [(k, label, fmt) for k, label, _, fmt in SOAK_COUNTS_SHOWN if k in soak.checkpoints[0][3]]
    headers = ["after", "elapsed"] + [label for _, label, _ in names]
    lines = [[f"{done} {kind}" if done else kind, f"{elapsed:.0f} s"] + [fmt.format(counts[k]) for k, _, fmt in names]
             for kind, done, elapsed, counts in soak.checkpoints]
    if "kernel_handles" not in soak.checkpoints[0][3]:
        headers.append("kernel handles")
        for line in lines:
            line.append("not measurable here")
    widths = [max(_width(row[i]) for row in [headers] + lines) for i in range(len(headers))]
    print("  ".join(_pad(h, w) for h, w in zip(headers, widths)).rstrip())
    print("-" * (sum(widths) + 2 * (len(widths) - 1)))
    for line in lines:
        print("  ".join(_pad(x, w) for x, w in zip(line, widths)).rstrip())
    print()
    print("each count at the first checkpoint of each kind, and the most it grew at a later one of that kind:")
    rows = soak_verdicts(soak)
    n = len(soak.saves)
    for kind, where, label in ((MISSED_CLICK, "save", f"missed clicks on 保存为图片 (in {n} saves)"),
                               (LOST_ENTER, "save", "lost Enter presses on 号码确认 and 保存提示"),
                               (UNFOCUSED_BOX, "save", "boxes of a save shown without the keyboard focus"),
                               (MISSED_CLICK, "mode", "missed clicks on 8位 and 11位"),
                               (LOST_KEY, "soak", "lost keystrokes"),
                               (WRONG_TEXT, "soak", "number box text not as typed, at the checkpoints")):
        rows.append(Row(label, str(TALLY[kind, where]), target="0", result=verdict(TALLY[kind, where] == 0)))
    other = ", ".join(f"{TALLY[k, 'other']} {k}" for k in (MISSED_CLICK, LOST_ENTER, UNFOCUSED_BOX))
    rows.append(Row("  at start-up (the usage notice)", other, target="(info)"))
    if soak.saves:
        rows.append(latency_row("save: Enter on 号码确认 to save.report (ms)", [s.latency for s in soak.saves],
                                SAVE_LATENCY_MS, False))
    headers = Row("figure", "velmora", target="target", result="result")
    names = ("figure", "velmora", "target", "result")
    widths = [max(_width(getattr(r, k)) for r in [headers] + rows) for k in names]
    for r in [headers] + rows:
        print("  ".join(_pad(getattr(r, k), w) for k, w in zip(names, widths)).rstrip())


# ------------------------------------------------------------------ figures

def median(values):
    return statistics.median(values) if values else float("nan")


def verdict(ok):
    return "PASS" if ok else "MISS"


@dataclass
class Row:
    figure: str
    velmora: str
    floor: str = ""
    compared: str = ""
    target: str = ""
    result: str = ""


@dataclass
class Results:
    floor: list = field(default_factory=list)  # one dict per run
    velmora: list = field(default_factory=list)
    startup_pairs: list = field(default_factory=list)  # (floor, velmora) seconds
    startup_steal: float = 0.0  # % of the CPU time taken by the host meanwhile
    leaks: dict = None
    outputs: dict = None
    edit_keys: list = field(default_factory=list)  # the edit-control floor's key latencies
    durable: list = None  # the durable-write floor's rounds: (seconds, step seconds)
    memory_floors: dict = None  # command: (the floor's peak MB with its libraries, how many)


def quartiles(values):
    if len(values) < 2:
        return values[0], values[0]
    q = statistics.quantiles(values, n=4, method="inclusive")
    return q[0], q[2]


def ratio_interval(pairs, rounds=BOOTSTRAP_ROUNDS, seed=BOOTSTRAP_SEED):
    """Bootstrap 95 % interval of median(velmora) / median(floor): the pairs are resampled
    whole, so each resample keeps the two programs' samples taken side by side."""
    rng = random.Random(seed)
    ratios = []
    for _ in range(rounds):
        sample = [pairs[rng.randrange(len(pairs))] for _ in pairs]
        ratios.append(median([v for _, v in sample]) / median([f for f, _ in sample]))
    ratios.sort()
    return ratios[int(0.025 * rounds)], ratios[int(0.975 * rounds) - 1]


def _ms_quartiles(values):
    lo, hi = quartiles(values)
    return (f"med {median(values) * 1000:.0f} IQR {lo * 1000:.0f}-{hi * 1000:.0f} "
            f"[{min(values) * 1000:.0f}-{max(values) * 1000:.0f}]")


def startup_rows(r):
    pairs = r.startup_pairs
    f, v = [p[0] for p in pairs], [p[1] for p in pairs]
    ratio = median(v) / median(f)
    lo, hi = ratio_interval(pairs)
    result = verdict(ratio <= STARTUP_RATIO and hi <= STARTUP_UPPER)
    if ratio <= STARTUP_RATIO < hi:
        result += " (interval spans the target)"
    per_pair = [b / a for a, b in pairs]
    pq = quartiles(per_pair)
    return [Row(f"start-up: Popen to card painted, notice up (ms, {len(pairs)} pairs)", _ms_quartiles(v),
                _ms_quartiles(f), f"x{ratio:.2f} (95 % x{lo:.2f}-x{hi:.2f})",
                f"<= x{STARTUP_RATIO:.2f}, interval's top <= x{STARTUP_UPPER:.2f}", result),
            Row(f"  ratio of medians, bootstrap 95 % interval ({BOOTSTRAP_ROUNDS} resamples of the pairs)", "", "",
                f"x{lo:.3f}-x{hi:.3f}", f"width {hi - lo:.3f} < {STARTUP_UPPER - 1:.2f}",
                "steady" if hi - lo < STARTUP_UPPER - 1 else "TOO WIDE: machine too busy to tell"),
            Row("  per-pair ratio velmora / floor", "", "", f"med x{median(per_pair):.2f} IQR "
                f"x{pq[0]:.2f}-x{pq[1]:.2f}", "(info)"),
            Row("  CPU time the host took meanwhile (steal)", f"{r.startup_steal:.0f} %", target="(info)")]


def idle_rows(r, seconds):
    def m(runs, key):
        return median([x["cpu"][key] for x in runs])
    v = median([x["cpu"]["program"] + x["cpu"]["server"] for x in r.velmora])
    f = median([x["cpu"]["program"] + x["cpu"]["server"] for x in r.floor])
    rows = [Row(f"idle CPU over {seconds:g} s: program + wineserver (% of a core)", f"{v:.2f}", f"{f:.2f}",
                f"{v - f:+.2f} pp", f"<= floor +{IDLE_EXTRA_CORE_PERCENT} pp",
                verdict(v - f <= IDLE_EXTRA_CORE_PERCENT))]
    for key, name in (("program", "  the program alone"), ("server", "  the wineserver alone"),
                      ("desktop", "  X server, openbox, Wine's helpers")):
        rows.append(Row(name, f"{m(r.velmora, key):.2f}", f"{m(r.floor, key):.2f}",
                        f"{m(r.velmora, key) - m(r.floor, key):+.2f} pp", "(info)"))
    rows.append(Row("  wake-ups of the program per second", f"{m(r.velmora, 'wakeups'):.0f}",
                    f"{m(r.floor, 'wakeups'):.0f}", "", "(info)"))
    return rows


def latency_row(name, seconds, limit_ms, strict):
    ms = [s * 1000 for s in seconds]
    if not ms:
        return Row(name, "no samples", target=f"{'<' if strict else '<='} {limit_ms:g}", result="MISS")
    med, top = median(ms), max(ms)
    p90 = sorted(ms)[int(0.9 * (len(ms) - 1))]
    ok = (med < limit_ms and top < limit_ms) if strict else (med <= limit_ms and top <= limit_ms)
    return Row(name, f"med {med:.1f} p90 {p90:.1f} max {top:.1f} (n={len(ms)})", "", "",
               f"{'<' if strict else '<='} {limit_ms:g} (med, max)", verdict(ok))


def p90(values):
    ordered = sorted(values)
    return ordered[int(0.9 * (len(ordered) - 1))]


def spread_ms(seconds):
    ms = [x * 1000 for x in seconds]
    return f"med {median(ms):.1f} p90 {p90(ms):.1f} max {max(ms):.1f} (n={len(ms)})"


def independent_interval(ours, floor, rounds=BOOTSTRAP_ROUNDS, seed=BOOTSTRAP_SEED):
    """Bootstrap 95 % interval of median(OURS) / median(FLOOR), samples taken apart (not in
    pairs), so each side is resampled on its own."""
    rng = random.Random(seed)
    ratios = sorted(median([rng.choice(ours) for _ in ours]) / median([rng.choice(floor) for _ in floor])
                    for _ in range(rounds))
    return ratios[int(0.025 * rounds)], ratios[int(0.975 * rounds) - 1]


def ratio_rows(name, ours, floor, limit, owner):
    """A figure against the floor of the same work: medians and p90s of each, their ratios,
    the ratio's bootstrap interval, a verdict on the median and p90 ratios (max as info); and
    how much of it the floor alone takes, that is OWNER's part, not the program's."""
    if not ours or not floor:
        return [Row(name, spread_ms(ours) if ours else "no samples", spread_ms(floor) if floor else "no samples",
                    target=f"<= x{limit:.2f} (med, p90)", result="MISS: nothing to compare")]
    ratio, ratio90 = median(ours) / median(floor), p90(ours) / p90(floor)
    lo, hi = independent_interval(ours, floor)
    return [Row(name, spread_ms(ours), spread_ms(floor), f"x{ratio:.2f} (95 % x{lo:.2f}-x{hi:.2f}), p90 x{ratio90:.2f}",
                f"<= x{limit:.2f} (med, p90)", verdict(ratio <= limit and ratio90 <= limit)),
            Row(f"  of which {owner}, the floor alone", "", "", f"{100 * median(floor) / median(ours):.0f} % of the "
                f"median, max x{max(ours) / max(floor):.2f}", "(info)")]


def painted_keys(samples, label):
    """The keys that reached a paint; a row when some did not."""
    painted = [x for x in samples if x is not None]
    missing = len(samples) - len(painted)
    rows = [Row(f"  {label}: keys with no paint before the next key", str(missing), target="0",
                result=verdict(missing == 0))] if missing else []
    return painted, rows


def typing_rows(r):
    ours, rows = painted_keys([x for run in r.velmora for x in run["keys"]], "velmora")
    floor, floor_rows = painted_keys(r.edit_keys, "floor")
    return (ratio_rows("typing: key to card painted, vs key to label painted in a bare edit control (ms)", ours,
                       floor, KEY_RATIO, "Wine's edit control and repaint") + rows + floor_rows)


def save_rows(r):
    saves = [s for run in r.velmora for s in run["saves"]] + r.leaks["saves"]
    floor = [seconds for seconds, _ in r.durable]
    return ([latency_row("save: Enter on 号码确认 to save.report (ms; no floor: the program's wait)",
                         [s.latency for s in saves], SAVE_LATENCY_MS, False),
             Row("  of which Enter to save.start (ms)", f"med {median([s.wait for s in saves]) * 1000:.1f} max "
                 f"{max(s.wait for s in saves) * 1000:.1f}", target="(info)")]
            + ratio_rows("save: the passes, save.start to the third save.written, vs three durable writes (ms)",
                         [s.passes for s in saves], floor, SAVE_PASSES_RATIO, "the disk under Wine")
            + [Row("  where the passes' time goes (ms, medians)", parts_text([s.parts for s in saves]),
                   parts_text([p for _, p in r.durable]), target="(info)"),
               Row("  then the windows given back, to save.report (ms)", spread_ms([s.report for s in saves]),
                   target="(info)")])


def parts_text(parts):
    """Medians of each step over all samples that trace steps."""
    parts = [p for p in parts if p]
    if not parts:
        return "not traced by this build"
    names = [n for n in dict.fromkeys(STEPS.values()) if any(n in p for p in parts)]
    return " ".join(f"{n} {median([p.get(n, 0.0) for p in parts]) * 1000:.1f}" for n in names)


def input_rows(saves):
    """Inputs that did not take, counted where they happened (see Tally)."""
    other = ", ".join(f"{TALLY[k, 'other']} {k}" for k in (MISSED_CLICK, LOST_ENTER, UNFOCUSED_BOX))
    rows = [Row(f"missed clicks on 保存为图片 (in {saves} saves)", str(TALLY[MISSED_CLICK, "save"]), target="0",
                result=verdict(TALLY[MISSED_CLICK, "save"] == 0)),
            Row("lost Enter presses on 号码确认 and 保存提示", str(TALLY[LOST_ENTER, "save"]), target="0",
                result=verdict(TALLY[LOST_ENTER, "save"] == 0)),
            Row("boxes of a save shown without the keyboard focus", str(TALLY[UNFOCUSED_BOX, "save"]), target="0",
                result=verdict(TALLY[UNFOCUSED_BOX, "save"] == 0)),
            Row("  elsewhere (start-up notices, the floor's boxes)", other, target="(info)")]
    return rows


def output_rows(r):
    o = r.outputs
    save_floor = r.memory_floors["save"][0]
    rows = [latency_row("copy: 复制图片, copy.start to copied (ms)", o["copy"], 1e9, False)]
    rows[0].target, rows[0].result = "(info)", ""
    rows += [latency_row("Save As, PNG at 300 dpi: the dialog's OK to the file written (ms; no floor)", o["save_as"],
                         PNG_300_DPI_MS, True)]
    rows += ratio_rows("PNG at 300 dpi from the command line, export.start to written, vs the same pixels "
                       "encoded bare (ms)", [x for x in o["encode_300"] if x is not None], o["png_floor"], PNG_RATIO,
                       "the imaging component under Wine")
    rows += [latency_row("PNG at 100 dpi: encode and write, from the command line (ms; no floor)",
                         [x for x in o["encode_100"] if x is not None], PNG_100_DPI_MS, True),
             command_line_row(o["command_300"], [p[0] for p in r.startup_pairs]),
             memory_row("memory: peak resident of a 300 dpi export (MB, the command line)", max(o["peak_300_mb"]),
                        r.memory_floors["command line"][0], EXPORT_MEMORY_EXTRA_MB),
             floor_libraries_row(r, "command line"),
             Row("  the program after its Save As dialogs (MB)", f"{o['peak_save_as_mb']:.1f}", f"{save_floor:.1f}",
                 f"{o['peak_save_as_mb'] - save_floor:+.1f} MB", "(info: with the system's dialog)")]
    rows += pdf_rows(o)
    if o["print"]:
        rows += [latency_row("print: dialog accepted to the job handed to the spooler (ms; no floor)", o["print"],
                             PRINT_MS, True),
                 memory_row("memory: peak resident of a copy that printed (MB)", o["peak_print_mb"],
                            r.memory_floors["print"][0], PRINT_MEMORY_EXTRA_MB),
                 floor_libraries_row(r, "print")]
    else:
        rows.append(Row("print", "no print queue on this desktop", result="not measured"))
    return rows


def command_line_row(wholes, floor_starts):
    """The command line's whole run against the bare window's start-up: a run is a start."""
    ratio = median(wholes) / median(floor_starts)
    return Row("command line --out card.png at 300 dpi, the whole process (ms)", _ms_quartiles(wholes),
               f"{_ms_quartiles(floor_starts)} (start-up)", f"x{ratio:.2f}",
               f"<= x{COMMAND_LINE_STARTUPS:.2f} (medians)", verdict(ratio <= COMMAND_LINE_STARTUPS))


def pdf_rows(o):
    """The command line's PDF against its PNG, both at 300 dpi: the whole process, and the peak."""
    name = "command line --out card.pdf at 300 dpi, the whole process, vs the PNG's (ms)"
    if not o["pdf"]:
        return [Row(name, "n/a: this build writes no PDF", result="n/a")]
    wholes, peaks = [w for w, _ in o["pdf"]], [p for _, p in o["pdf"]]
    ratio = median(wholes) / median(o["command_300"])
    return [Row(name, _ms_quartiles(wholes), _ms_quartiles(o["command_300"]), f"x{ratio:.2f}",
                f"< x{PDF_RATIO:.2f} (medians)", verdict(ratio < PDF_RATIO)),
            memory_row("  its peak resident, vs the PNG's (MB)", max(peaks), max(o["peak_300_mb"]), PDF_MEMORY_EXTRA_MB)]


def memory_row(name, peak, floor, extra):
    return Row(name, f"{peak:.1f}", f"{floor:.1f}", f"{peak - floor:+.1f} MB", f"<= floor +{extra:g} MB",
               verdict(peak - floor <= extra))


def floor_libraries_row(r, command):
    """How much of a floor is the system's libraries, over the plain floor."""
    plain = median([x["peak_idle_mb"] for x in r.floor])
    peak, count = r.memory_floors[command]
    return Row(f"  the floor: plain, and with the {count} libraries {command} loads (MB)", "",
               f"{plain:.1f} -> {peak:.1f}", f"{peak - plain:+.1f} MB Wine's", "(info)")


def memory_rows(r):
    f = r.memory_floors["save"][0]
    return [memory_row("memory: peak resident (VmHWM) started, idle (MB)",
                       median([x["peak_idle_mb"] for x in r.velmora]), f, MEMORY_EXTRA_MB),
            memory_row("  after typing and a save (MB)", median([x["peak_mb"] for x in r.velmora]), f,
                       MEMORY_EXTRA_MB),
            memory_row("  after the save and closing loops (MB)", r.leaks["peak_mb"], f, MEMORY_EXTRA_MB),
            floor_libraries_row(r, "save")]


STAGES = ("start", "first save", "first closing", "saves", "closings")
FLOOR_STAGES = ("start", "first boxes", "boxes again")
OBJECT_COUNTS = (("gdi", "GDI objects (GetGuiResources)"), ("user", "USER objects (GetGuiResources)"),
                 ("gdi_table", "GDI objects (the process's handle table)"),
                 ("windows", "USER objects: windows of the process"),
                 ("kernel_handles", "kernel handles (GetProcessHandleCount)"))


def object_rows(leaks):
    counter, c = leaks["counter"], leaks["counts"]
    rows = []
    if counter.gui_error is not None:
        for kind in ("GDI", "USER"):
            rows.append(Row(f"{kind} objects (GetGuiResources)", "not measurable here", target="",
                            result=f"Wine: Win32 error {counter.gui_error}"))
    f = leaks["floor"]
    for key, label in OBJECT_COUNTS:
        if key in c["start"]:
            values = " -> ".join(str(c[k][key]) for k in STAGES)
            floor_values = " -> ".join(str(f[k][key]) for k in FLOOR_STAGES)
            looped = c["closings"][key] - c["first closing"][key]
            rows.append(Row(label, values, floor_values, f"{looped:+d}", f"loops: <= +{OBJECT_TOLERANCE}",
                            verdict(looped <= OBJECT_TOLERANCE)))
            grown = c["closings"][key] - c["start"][key]
            floor_grown = f["boxes again"][key] - f["start"][key]
            rows.append(Row("  from start, with what the first boxes leave", "", f"{floor_grown:+d}", f"{grown:+d}",
                            "(info)"))
        elif key in counter.trusted:
            rows.append(Row(label, "not measurable here", result="self-check fails under this system"))
    return rows


def object_stages(loops):
    return (f"object counts after: start -> first save -> first closing -> {loops} more saves -> {loops} more "
            "closings; the floor's: start -> a question and a notice -> two more")


def gdi_type_changes(leaks):
    """How the GDI objects by kind changed from start to the end of the loops, for a note."""
    c, f = leaks["counts"], leaks["floor"]
    if "gdi_types" not in c["start"]:
        return ""

    def changes(counts, a, b):
        before, after = counts[a]["gdi_types"], counts[b]["gdi_types"]
        diff = {k: after.get(k, 0) - before.get(k, 0) for k in sorted(set(before) | set(after))}
        return ", ".join(f"{v:+d} {k}" for k, v in diff.items() if v) or "none"
    steps = [f"{name}: {changes(c, a, b)}" for a, b, name in (
        ("start", "first save", "the first save"), ("first save", "first closing", "the first closing"),
        ("first closing", "closings", "the loops"))]
    floor_steps = [f"{name}: {changes(f, a, b)}" for a, b, name in (
        ("start", "first boxes", "its first boxes"), ("first boxes", "boxes again", "two more"))]
    return ("GDI objects by kind, changes by " + "; by ".join(steps) + "\nthe floor's, changes by "
            + "; by ".join(floor_steps))


def slowest_save(r):
    """Where the time of the slowest save went, for a note."""
    saves = [s for run in r.velmora for s in run["saves"]] + r.leaks["saves"]
    slowest = max(saves, key=lambda s: s.latency)
    steps = " + ".join(f"{x * 1000:.1f}" for x in slowest.steps)
    parts = ", ".join(f"{k} {v * 1000:.1f}" for k, v in slowest.parts.items())
    return (f"slowest save {slowest.latency * 1000:.1f} ms: Enter to save.start {slowest.wait * 1000:.1f}, then "
            f"passes and report {steps} ms (save.start, each save.written, save.report)"
            + (f"; in the passes: {parts} ms" if parts else ""))


def print_table(rows):
    headers = Row("figure", "velmora", "floor", "vs floor", "target", "result")
    names = list(headers.__dataclass_fields__)
    widths = [max(_width(getattr(r, n)) for r in [headers] + rows) for n in names]

    def line(r):
        return "  ".join(_pad(getattr(r, n), w) for n, w in zip(names, widths)).rstrip()
    print(line(headers))
    print("-" * (sum(widths) + 2 * (len(widths) - 1)))
    for r in rows:
        print(line(r))


def _width(text):
    """Columns a string takes in a terminal: CJK characters take two."""
    return sum(2 if ord(c) >= 0x1100 else 1 for c in text)


def _pad(text, width):
    return text + " " * (width - _width(text))


# ------------------------------------------------------------------ main

def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--runs", type=int, default=None, help="runs of each program (default 5, with --quick 3)")
    p.add_argument("--quick", action="store_true", help="20 saves and 20 closings instead of 200")
    p.add_argument("--idle", type=float, default=20.0, help="seconds of idling per run (at least 20)")
    p.add_argument("--starts", type=int, default=None,
                   help=f"start-up pairs (default {STARTUP_PAIRS}, with --quick 10)")
    p.add_argument("--bin", type=Path, default=BENCH_BIN, help="folder with floor.exe and resources.exe")
    p.add_argument("--velmora", type=Path, default=VELMORA,
                   help="the velmora.exe to weigh (default build/velmora.exe), e.g. an older build to compare")
    p.add_argument("--soak", action="store_true",
                   help="instead: one copy through 1000 saves, 1000 closings, 10000 keys, 200 mode switches")
    p.add_argument("--soak-scale", type=float, default=1.0,
                   help="the soak with this fraction of each count, to try the soak itself out")
    args = p.parse_args(argv)
    args.runs = args.runs or (3 if args.quick else 5)
    if args.soak_scale <= 0 or args.soak_scale > 1:
        p.error("--soak-scale must be in (0, 1]")
    args.soak_saves, args.soak_closings, args.soak_keys, args.soak_modes = (
        max(1, round(n * args.soak_scale)) for n in SOAK_COUNTS)
    args.starts = args.starts or (10 if args.quick else STARTUP_PAIRS)
    args.loops = 20 if args.quick else 200
    if args.idle < 20:
        p.error("--idle must be at least 20 seconds")
    if args.runs < 1:
        p.error("--runs must be at least 1")
    if args.starts < 2:
        p.error("--starts must be at least 2")
    return args


def check_inputs(args):
    needed = (VELMORA, BUILD / "winprobe.exe", args.bin / "floor.exe", args.bin / "resources.exe")
    missing = [str(p) for p in needed if not p.exists()]
    if missing:
        sys.exit("missing: " + ", ".join(missing) + "\nbuild them: add_subdirectory(bench) in the top "
                 "CMakeLists.txt, then cmake --preset mingw && cmake --build --preset mingw (mingw-x64 for build-x64)")


def load_average():
    return " ".join(Path("/proc/loadavg").read_text().split()[:3])


def describe_machine(args, load_at_start, steal_at_start, pairs=0):
    wine = subprocess.run([WINE, "--version"], capture_output=True, text=True).stdout.strip()
    built = time.strftime("%Y-%m-%d %H:%M", time.localtime(VELMORA.stat().st_mtime))
    print(f"velmora bench {time.strftime('%Y-%m-%d %H:%M:%S')}: {os.cpu_count()} cores, load {load_at_start} "
          f"at the start, {load_average()} at the end, {cpu_steal(steal_at_start):.0f} % of the CPU time "
          f"taken by the host (steal), {wine}")
    if args.soak:
        print(f"velmora.exe of {built}; soak: one copy, {args.soak_saves} saves, {args.soak_closings} panel "
              f"closings, {args.soak_keys} keystrokes, {args.soak_modes} mode switches")
    else:
        print(f"velmora.exe of {built}; {pairs} start-up pairs; {args.runs} runs of each program, "
              f"{args.idle:g} s idle each; {args.loops} saves and {args.loops} panel closings")


def measure(desk, args):
    floor_exe, resources_exe = args.bin / "floor.exe", args.bin / "resources.exe"
    results = Results()
    log(f"desktop {desk.display} ready; one unmeasured start of each program first")
    warm_up(desk, floor_exe)
    results.startup_pairs, results.startup_steal = startup_pairs(desk, floor_exe, args.starts)
    for i in range(args.runs):
        order = [("floor", lambda: run_floor(desk, floor_exe, args.idle)),
                 ("velmora", lambda: run_velmora(desk, args.idle, resources_exe))]
        if i % 2:  # alternate, so a slow drift of the machine weighs on both alike
            order.reverse()
        for name, run in order:
            result = run()
            getattr(results, name).append(result)
            log(f"run {i + 1}/{args.runs} {name}: start-up {result['startup'] * 1000:.0f} ms, idle "
                f"{result['cpu']['program']:.2f} + {result['cpu']['server']:.2f} % of a core, "
                f"peak {result['peak_idle_mb']:.1f} MB")
        results.edit_keys += edit_floor(desk, floor_exe, "13800138000")
    log(f"save and closing loops ({args.loops} each)")
    results.leaks = run_leak_loops(desk, resources_exe, args.loops)
    results.leaks["floor"] = run_floor_boxes(desk, floor_exe, resources_exe)
    log(f"the durable-write floor ({DURABLE_ROUNDS} rounds)")
    results.durable = durable_write_floor(desk, floor_exe, results.leaks["saved"], DURABLE_ROUNDS)
    log("copy, Save As, printing and the command line")
    results.outputs = run_outputs(desk, floor_exe, resources_exe)
    log("the floor's memory with the libraries of each command loaded")
    results.memory_floors = memory_floors(desk, floor_exe, results)
    return results


def memory_floors(desk, floor_exe, r):
    """The floor's peak with the libraries velmora.exe had loaded after a save, after printing
    and in the command line, each (the same set is measured once)."""
    sets = {"save": r.velmora[-1]["modules"], "command line": r.outputs["command_modules"]}
    if r.outputs.get("print_modules"):
        sets["print"] = r.outputs["print_modules"]
    peaks = {}
    for name, modules in sets.items():
        key = tuple(modules)
        peaks[key] = peaks.get(key) or memory_floor(desk, floor_exe, modules)
        log(f"  {name}: {len(modules)} libraries, floor peak {peaks[key]:.1f} MB")
    return {name: (peaks[tuple(m)], len(m)) for name, m in sets.items()}


def main(argv):
    global VELMORA
    args = parse_args(argv)
    VELMORA = args.velmora.resolve()
    check_inputs(args)
    started = time.monotonic()
    load_at_start, steal_at_start = load_average(), cpu_steal()
    log(f"load average {load_at_start}")
    if args.soak:
        with attach() as desk:
            soak = run_soak(desk, args)
        describe_machine(args, load_at_start, steal_at_start)
        print_soak(soak)
        print(f"whole soak {time.monotonic() - started:.0f} s")
        return 0
    with attach() as desk:
        results = measure(desk, args)
    describe_machine(args, load_at_start, steal_at_start, len(results.startup_pairs))
    saves = sum(len(run["saves"]) for run in results.velmora) + len(results.leaks["saves"])
    rows = (startup_rows(results) + idle_rows(results, args.idle) + typing_rows(results) + save_rows(results)
            + input_rows(saves) + memory_rows(results) + object_rows(results.leaks) + output_rows(results))
    print_table(rows)
    for note in (object_stages(args.loops), slowest_save(results), gdi_type_changes(results.leaks)):
        if note:
            print(note)
    print(f"start-up: {len(results.startup_pairs)} pairs, median IQR [min-max]; the rest medians over "
          f"{args.runs} runs, "
          f"[min-max]; whole run {time.monotonic() - started:.0f} s")
    print("vs floor: the ratio of the medians (its bootstrap 95 % interval) and of the p90s, judged on both; "
          "the line under it: the share of velmora's median that the floor alone takes, the disk's or Wine's "
          "part, not the program's. Memory: the floor loaded the same system libraries first.")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

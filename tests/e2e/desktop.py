"""A private X desktop with Wine for Velmora's end-to-end tests.

`Desktop` starts Xvfb on a free display, openbox as window manager, a private
print queue (print_queue.py: what Wine prints comes out as a PDF in the work
folder) and a fresh Wine prefix set up for Chinese text, and tears all of it
down again. The prefix is 32-bit, as the program is, wherever the kernel runs
32-bit processes; where it does not, 32-bit Wine cannot start, and the prefix,
the tests and the program are the 64-bit build of the same source (`BUILD`).
Tests drive it with real input (xdotool) and real screenshots (`import`), and
look inside windows with BUILD/winprobe.exe (see `probe`).

    with Desktop() as d:
        proc = d.launch(BUILD / "velmora.exe")
        win = d.wait_window(title="控制面板", exe="velmora.exe")

`with_desktop.py -- CMD` runs CMD inside one desktop and tells it where through
VELMORA_DESKTOP_STATE; `attach()` joins that desktop, or starts a new one.

Run with /usr/bin/python3 (Debian's, which has PIL). Standard library + PIL only.

Environment:
  VELMORA_E2E_PREFIX_CACHE=DIR  reuse a prepared prefix: copied from DIR when it
                                exists, saved there after a fresh set-up otherwise.
  VELMORA_E2E_KEEP=1            keep the work folder (logs, prefix) after teardown.
  VELMORA_WINPROBE=PATH         winprobe.exe to use (default: BUILD/winprobe.exe).
  VELMORA_SLOWNESS=N            multiply every time limit by N (the emulated machine of
                                tests/pe32/run.sh is about ten times slower).
"""

import ctypes
import ctypes.util
import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from collections import namedtuple
from pathlib import Path

from PIL import Image

REPO = Path(__file__).resolve().parents[2]


def _wine_choice():
    """The Wine loader, the prefix's architecture and the build folder for this machine, as
    tools/wine-env.sh chooses them for the scripts: 32-bit wherever the kernel runs 32-bit
    processes, the 64-bit build where it does not."""
    out = subprocess.run(["bash", "-c", 'source tools/wine-env.sh && echo "$wine|$WINEARCH|$build"'],
                         cwd=REPO, capture_output=True, text=True, check=True, timeout=60).stdout
    wine, arch, build = out.strip().split("|")
    return wine, arch, REPO / build


WINE, WINE_ARCH, BUILD = _wine_choice()
SCREEN = (1280, 1024)
LOCALE = "zh_CN.UTF-8"
SLOWNESS = float(os.environ.get("VELMORA_SLOWNESS", "1"))
STATE_VAR = "VELMORA_DESKTOP_STATE"

CursorImage = namedtuple("CursorImage", "image xhot yhot")


class DesktopError(RuntimeError):
    pass


class ProbeError(DesktopError):
    pass


# ------------------------------------------------------------------ processes

def _die_with_parent():
    """preexec_fn: have the kernel end this child if the harness itself is killed."""
    libc = ctypes.CDLL(None, use_errno=True)
    PR_SET_PDEATHSIG = 1
    libc.prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def _stop(proc, timeout=5.0):
    """Terminate a child we started, then kill it if it does not go."""
    if proc is None or proc.poll() is not None:
        return
    proc.terminate()
    try:
        proc.wait(timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait(timeout)


def wait_for(predicate, timeout=10.0, interval=0.1, what=None):
    """Poll predicate() until it returns something truthy; return that value.

    Raises DesktopError naming `what` (or the predicate) and the last value or
    exception after `timeout` seconds.
    """
    timeout *= SLOWNESS
    deadline = time.monotonic() + timeout
    last, error = None, None
    while True:
        try:
            last, error = predicate(), None
            if last:
                return last
        except Exception as e:  # the thing polled for may not exist yet
            error = e
        if time.monotonic() >= deadline:
            name = what or getattr(predicate, "__name__", "condition")
            detail = f"last error: {error!r}" if error else f"last value: {last!r}"
            raise DesktopError(f"timed out after {timeout:g}s waiting for {name} ({detail})")
        time.sleep(interval)


def wait_equal(getter, expected, timeout=10.0, interval=0.1, what=None):
    """Poll getter() until it returns `expected`; on timeout the error shows the
    last value it returned."""
    seen = []

    def equal():
        seen[:] = [getter()]
        return seen[0] == expected

    try:
        wait_for(equal, timeout, interval, what or f"{expected!r}")
    except DesktopError as e:
        raise DesktopError(f"{e}; expected {expected!r}, last got "
                           f"{seen[0] if seen else 'nothing'!r}") from None


class Launched:
    """A program started with `Desktop.launch`; its output goes to a log file."""

    def __init__(self, popen, log_path):
        self.popen = popen
        self.log_path = log_path

    @property
    def returncode(self):
        return self.popen.poll()

    def wait(self, timeout=10.0):
        return self.popen.wait(timeout)

    def log(self):
        return Path(self.log_path).read_text(errors="replace")

    def stop(self, timeout=5.0):
        _stop(self.popen, timeout)


# ------------------------------------------------------------------ the desktop

class Desktop:
    """Xvfb + openbox + a Wine prefix. Use as a context manager."""

    def __init__(self, winprobe=None, screen=SCREEN, print_queue=True, dpi=96):
        self.winprobe = Path(winprobe or os.environ.get("VELMORA_WINPROBE")
                             or BUILD / "winprobe.exe")
        self.screen = tuple(screen)
        self.with_print_queue = print_queue
        self.dpi = dpi
        self.workdir = None
        self.display = None
        self.prefix = None
        self.env = None
        self.owner = True  # False when attached to a desktop someone else runs
        self._xvfb = self._openbox = self._wineserver = self._reaper = None
        self.print_queue = None
        self._launched = []
        self.timings = {}

    # -- life cycle

    def __enter__(self):
        if not self.owner:  # attached to a running desktop: nothing to start
            return self
        try:
            self.start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def start(self):
        _require_locale()
        self.workdir = Path(tempfile.mkdtemp(prefix="velmora-e2e-"))
        self._start_reaper()
        t0 = time.monotonic()
        self._start_xvfb()
        self._start_openbox()
        self.timings["x"] = time.monotonic() - t0
        t1 = time.monotonic()
        if self.with_print_queue:
            self._start_print_queue()
        self.timings["print"] = time.monotonic() - t1
        t1 = time.monotonic()
        self._make_prefix()
        if self.dpi != 96:  # the display scale Windows calls 125 %, 150 %, 200 % ...
            self._repeatable_step(["reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t",
                                   "REG_DWORD", "/d", str(self.dpi), "/f"])
        self._start_wine_services()
        self.timings["prefix"] = time.monotonic() - t1
        self.timings["total"] = time.monotonic() - t0

    def _start_wine_services(self):
        """Starts Wine's background services (explorer, winedevice, ...) now, with their
        output going to files: started by the first program of a test run instead, they
        would inherit that runner's output pipes and keep it waiting for them to close."""
        self._repeatable_step(["cmd", "/c", "exit"])

    def _repeatable_step(self, args, attempts=3):
        """Runs `wine ARGS`, a set-up step that does the same however often it runs, up to
        ATTEMPTS times. One such step has been seen to exit 1 with nothing on stderr, once,
        and to work on the next run: the way a Wine program ends when its wineserver goes
        away under it (measured: `wineserver -k`, or SIGTERM to the server, ends a running
        `cmd` with 1 and not a word; one still starting may hang instead, and is ended
        then). Each failure is written to setup.log with Wine's error
        messages and the state of our server, which is started again if it is gone."""
        for attempt in range(1, attempts + 1):
            code, stderr = self._run_while_server_lives(args, 60)
            if code == 0:
                return
            server = self._wineserver.poll()
            server_log = (self.workdir / "wineserver.log").read_text(errors="replace")[-1000:] \
                if (self.workdir / "wineserver.log").exists() else ""
            note = (f"{' '.join(args)}, attempt {attempt} of {attempts}, exited {code}: "
                    f"{stderr[-2000:]!r}; wineserver {'running' if server is None else f'exited {server}'}, "
                    f"its log: {server_log!r}")
            with open(self.workdir / "setup.log", "a") as log:
                log.write(note + "\n")
            print(f"desktop: {note}", file=sys.stderr, flush=True)
            if server is not None:
                self._start_wineserver()
        raise DesktopError(f"set-up step failed: {note}")

    def _run_while_server_lives(self, args, timeout):
        """Runs `wine ARGS` to its end, or until our wineserver is gone or TIMEOUT seconds
        have passed (then it is ended): its exit code ("ended" then) and stderr. Output goes
        to files, as in _run_captured."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.Popen([WINE, *map(str, args)], env=dict(self.env, WINEDEBUG="err+all,fixme-all"),
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=err)
            deadline = time.monotonic() + timeout
            while proc.poll() is None and self._wineserver.poll() is None and time.monotonic() < deadline:
                time.sleep(0.05)
            if proc.poll() is None:
                proc.kill()
                proc.wait()
                code = "ended"
            else:
                code = proc.returncode
            err.seek(0)
            return code, err.read().decode("utf-8", "replace")

    def close(self):
        """Tear everything down; safe to call twice and after a failed start."""
        if not self.owner:
            return
        for launched in self._launched:
            launched.stop(2)
        if self.prefix and self.env:
            _quiet(["wineserver", "-k"], self.env, 10)
            # Wine's service processes (services.exe, winedevice.exe, ...) have
            # been seen to outlive their server, blocked for good.
            _end_processes_of(self.workdir)
        _stop(self._wineserver)
        if self.prefix:
            _remove_server_dir(self.prefix)
        if self.print_queue:  # after Wine: nothing is left to send it a job
            self.print_queue.close()
            self.print_queue = None
        _stop(self._openbox)
        _stop(self._xvfb)
        self._wineserver = self._openbox = self._xvfb = None
        if self.workdir and not os.environ.get("VELMORA_E2E_KEEP"):
            shutil.rmtree(self.workdir, ignore_errors=True)
        self.workdir = self.prefix = None
        self._stop_reaper()

    def _start_reaper(self):
        """A watcher in its own session that cleans up after us if we are killed
        outright (SIGKILL, a CI time-out): Xvfb, openbox and wineserver die with
        us, but Wine's service processes and the command run by with_desktop.py
        would live on. It waits for its stdin to close; "done" first means that
        close() did the work."""
        with open(self.workdir / "reaper.log", "ab") as log:
            self._reaper = subprocess.Popen(
                [sys.executable, __file__, "--reap", str(self.workdir)],
                stdin=subprocess.PIPE, stdout=log, stderr=log, start_new_session=True)

    def _stop_reaper(self):
        if self._reaper:
            self._reaper.communicate(b"done", timeout=10)
            self._reaper = None

    # -- X server and window manager

    def _start_xvfb(self):
        read_fd, write_fd = os.pipe()
        try:
            self._xvfb = self._spawn(
                ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                 f"{self.screen[0]}x{self.screen[1]}x24", "-nolisten", "tcp",
                 "-noreset"],  # keep state (key map, ...) when clients come and go
                "xvfb.log", pass_fds=(write_fd,))
            os.close(write_fd)
            write_fd = None
            number = _read_line(read_fd, 10, "Xvfb to report its display number")
        finally:
            os.close(read_fd)
            if write_fd is not None:
                os.close(write_fd)
        self.display = f":{number}"

    def _spawn(self, args, log_name, **popen_args):
        """Start a long-running helper that logs to the work folder and dies with us."""
        with open(self.workdir / log_name, "ab") as log:
            return subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                    preexec_fn=_die_with_parent, **popen_args)

    def _start_openbox(self):
        config = self.workdir / "openbox-rc.xml"
        config.write_text(_openbox_config())
        env = self._x_env()
        self._openbox = self._spawn(
            ["openbox", "--sm-disable", "--config-file", str(config)], "openbox.log", env=env)

        def wm_running():
            if self._openbox.poll() is not None:
                raise DesktopError(f"openbox exited ({self._openbox.returncode})")
            r = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env,
                               capture_output=True, text=True, timeout=5)
            return "window id #" in r.stdout

        wait_for(wm_running, 10, 0.05, "openbox to manage the screen")

    def _x_env(self):
        # LPDEST and PRINTER would name libcups' default printer instead of the queue.
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("LC_") and k not in ("WAYLAND_DISPLAY", "WINEPREFIX",
                                                        "CUPS_SERVER", "LPDEST", "PRINTER")}
        env.update(DISPLAY=self.display, LANG=LOCALE, LC_ALL=LOCALE)
        return env

    # -- print queue

    def _start_print_queue(self):
        """Before the prefix: Wine lists the printers when it first starts."""
        from print_queue import PrintQueue
        # The queue's filters run as lp and must get through the work folder to
        # its spool: others may pass through (not list it).
        self.workdir.chmod(0o711)
        self.print_queue = PrintQueue(self.workdir / "print")
        self.print_queue.start()

    # -- Wine prefix

    def _make_prefix(self):
        self.prefix = self.workdir / "prefix"
        env = self._x_env()
        env.update(WINEPREFIX=str(self.prefix), WINEARCH=WINE_ARCH, WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        if WINE_ARCH == "win64":  # how Wine starts further programs of its own
            env["WINELOADER"] = WINE
        # Wine's winspool asks this cupsd, never the machine's; without a queue, a socket no
        # scheduler listens on: no printer at all.
        env.update(self.print_queue.env if self.print_queue else {"CUPS_SERVER": str(self.workdir / "no-printing.sock")})
        self.env = env
        cache = os.environ.get("VELMORA_E2E_PREFIX_CACHE")
        if cache and (Path(cache) / "system.reg").exists():
            shutil.copytree(cache, self.prefix, symlinks=True,
                            ignore=shutil.ignore_patterns("wineserver"))
            self._start_wineserver()
            return
        # The same set-up as for running the program by hand (fonts, window frames), done
        # before our own persistent server starts: the script waits for its server to exit.
        self._run(["bash", str(REPO / "tools" / "prepare-prefix.sh"), str(self.prefix)], 180)
        self._start_wineserver()
        if cache:
            self._save_prefix(Path(cache))

    def _start_wineserver(self):
        """A foreground, persistent wineserver that we own: launches stay fast
        (no server start each time) and it dies with us even if we are killed."""
        self.prefix.mkdir(exist_ok=True)
        self._wineserver = self._spawn(["wineserver", "-f", "-p"], "wineserver.log",
                                       env=self.env)
        # Wine programs started before the socket exists would start a server of their own.
        def listening():
            if self._wineserver.poll() is not None:
                raise DesktopError(f"wineserver exited ({self._wineserver.returncode})")
            return any((d / "socket").exists() for d in self._server_dirs())

        wait_for(listening, 10, 0.02, "wineserver to listen")

    def _server_dirs(self):
        """Where this prefix's wineserver keeps its socket. Upstream Wine uses
        /tmp/.wine-UID/server-DEV-INODE; Debian's names a private folder
        /tmp/wine-XXXXXX in the file PREFIX/wineserver instead."""
        st = self.prefix.stat()
        leaf = f"server-{st.st_dev:x}-{st.st_ino:x}"
        tmp = Path(tempfile.gettempdir())
        dirs = [tmp / f".wine-{os.getuid()}" / leaf]
        pointer = self.prefix / "wineserver"
        if pointer.exists():
            dirs.append(tmp / pointer.read_text().strip() / leaf)
        return dirs

    def _save_prefix(self, cache):
        """Stop the server so the registry is on disk, copy, start it again."""
        _quiet(["wineserver", "-k"], self.env, 10)
        self._wineserver.wait(20)
        tmp = Path(tempfile.mkdtemp(prefix=".prefix-", dir=cache.parent))
        shutil.copytree(self.prefix, tmp / "p", symlinks=True,
                        ignore=shutil.ignore_patterns("wineserver"))
        shutil.rmtree(cache, ignore_errors=True)
        (tmp / "p").rename(cache)
        shutil.rmtree(tmp, ignore_errors=True)
        self._start_wineserver()

    def _run(self, args, timeout, extra_env=None):
        """A set-up step; Wine's error messages on, so that a failure says why."""
        env = dict(self.env, WINEDEBUG="err+all,fixme-all", **(extra_env or {}))
        r = _run_captured(args, env, timeout)
        if r.returncode != 0:
            raise DesktopError(f"{' '.join(map(str, args))} exited {r.returncode}: "
                               f"{r.stderr[-2000:]}")
        return r

    # -- state shared with child processes (with_desktop.py)

    @property
    def state_file(self):
        """Where with_desktop.py writes `state()` for the commands it runs."""
        return self.workdir / "desktop-state.json"

    def state(self):
        return {"display": self.display, "prefix": str(self.prefix),
                "workdir": str(self.workdir), "winprobe": str(self.winprobe),
                "print_queue": str(self.print_queue.folder) if self.print_queue else None,
                "env": {k: self.env[k] for k in _SHARED_ENV if k in self.env}}

    @classmethod
    def from_state(cls, state):
        d = cls(winprobe=os.environ.get("VELMORA_WINPROBE") or state.get("winprobe"))
        d.owner = False
        d.display = state["display"]
        d.prefix = Path(state["prefix"])
        d.workdir = Path(state["workdir"])
        d.env = d._x_env()
        d.env.update(state["env"])
        from print_queue import PrintQueue
        d.print_queue = PrintQueue.attached(state["print_queue"]) if state.get("print_queue") else None
        return d

    # -- running programs

    def run_wine(self, args, timeout=30, check=True, extra_env=None):
        """Run `wine ARGS...` to completion; stdout/stderr decoded as UTF-8."""
        r = _run_captured([WINE, *map(str, args)], dict(self.env, **(extra_env or {})), timeout)
        if check and r.returncode != 0:
            raise DesktopError(f"wine {args} exited {r.returncode}: {r.stderr[-2000:]}")
        return r

    def launch(self, exe_path, args=(), extra_env=None):
        """Start a Windows program under Wine without waiting for it."""
        fd, log = tempfile.mkstemp(prefix="launch-", suffix=".log", dir=self.workdir)
        os.close(fd)
        env = dict(self.env, **(extra_env or {}))
        with open(log, "wb") as out:
            popen = subprocess.Popen([WINE, str(exe_path), *map(str, args)], env=env,
                                     stdout=out, stderr=subprocess.STDOUT,
                                     stdin=subprocess.DEVNULL)
        launched = Launched(popen, log)
        self._launched.append(launched)
        return launched

    def probe(self, *args, timeout=15):
        """Run winprobe.exe with ARGS in this prefix and return its parsed JSON."""
        if not self.winprobe.exists():
            raise ProbeError(f"{self.winprobe} not found: build the winprobe target first")
        r = _run_captured([WINE, str(self.winprobe), *map(str, args)], self.env, timeout)
        if r.returncode != 0:
            raise ProbeError(f"winprobe {' '.join(map(str, args))} exited {r.returncode}: "
                             f"{r.stderr.strip()}")
        return json.loads(r.stdout)

    # -- finding windows (through winprobe)

    def windows(self, exe=None, pid=None, all=False):
        args = ["windows"]
        if exe:
            args += ["--exe", exe]
        if pid:
            args += ["--pid", pid]
        if all:
            args.append("--all")
        return self.probe(*args)

    def find_windows(self, title=None, exe=None, cls=None, visible=True):
        """Top-level windows matching all given conditions; `title` is a regular
        expression searched in the title, `visible` None matches either state."""
        def matches(w):
            return ((title is None or re.search(title, w["title"]))
                    and (cls is None or w["class"] == cls)
                    and (visible is None or w["visible"] == visible))
        return [w for w in self.windows(exe=exe) if matches(w)]

    def wait_window(self, timeout=15.0, **conditions):
        """Wait until exactly one window matches `find_windows(**conditions)`."""
        def one():
            found = self.find_windows(**conditions)
            if len(found) > 1:
                raise DesktopError(f"{len(found)} windows match {conditions}")
            return found[0] if found else None
        return wait_for(one, timeout, 0.1, f"a window matching {conditions}")

    # -- input and output

    def xdotool(self, *args, timeout=10):
        r = subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True,
                           text=True, timeout=timeout)
        if r.returncode != 0:
            raise DesktopError(f"xdotool {args} exited {r.returncode}: {r.stderr.strip()}")
        return r.stdout

    def type_text(self, text, delay_ms=12):
        """Type text into the focused window.

        ASCII goes through xdotool as X key presses. Other text (Chinese, ...)
        goes in as Unicode key packets through winprobe (see its `type`), the
        way an input method enters it: xdotool can only type such a character
        by binding it to a spare X key for one press, and Wine loses some of
        those (measured: most of "京A·12345 停车", and now and then one character
        in two). Wait for earlier typing to arrive before mixing the two.
        """
        if text.isascii():
            self.xdotool("type", "--delay", delay_ms, "--", text)
        else:
            self.probe("type", text)

    def key(self, *names):
        """Press key combinations such as "Return", "ctrl+v", "alt+F4"."""
        self.xdotool("key", "--", *names)

    def focused_title(self):
        """The title of the X window that has the keyboard focus ("" for none)."""
        r = subprocess.run(["xdotool", "getwindowfocus", "getwindowname"], env=self.env,
                           capture_output=True, text=True, timeout=10)
        return r.stdout.strip() if r.returncode == 0 else ""

    def wait_focused(self, title, timeout=10.0):
        """Waits until the window TITLE has the keyboard focus: a key sent before would go
        elsewhere. A window that the window manager does not hand the focus (seen once in
        some hundreds of message boxes) is activated as a click on it would."""
        try:
            wait_for(lambda: self.focused_title() == title, min(timeout, 3), 0.02)
        except DesktopError:
            self.xdotool("search", "--name", f"^{re.escape(title)}$", "windowactivate", "--sync")
            wait_for(lambda: self.focused_title() == title, timeout, 0.02, f"{title} to have the focus")

    def press_in(self, title, *keys):
        """Presses KEYS once the window TITLE has the keyboard focus."""
        self.wait_focused(title)
        self.key(*keys)

    def pointer(self):
        """Where the X pointer is: (x, y)."""
        out = self.xdotool("getmouselocation", "--shell")
        values = dict(line.split("=", 1) for line in out.split())
        return int(values["X"]), int(values["Y"])

    def move(self, x, y):
        # Not `mousemove --sync`: it waits forever when the pointer is already there.
        self.xdotool("mousemove", x, y)
        wait_for(lambda: self.pointer() == (x, y), 5, 0.02, f"pointer at {x},{y}")

    def click(self, x, y, button=1):
        self.move(x, y)
        self.xdotool("click", button)

    def screenshot(self, path=None):
        """The whole screen as a PIL RGB image (saved to `path` when given)."""
        if path:
            target = Path(path)
        else:
            fd, name = tempfile.mkstemp(suffix=".png", dir=self.workdir)
            os.close(fd)
            target = Path(name)
        try:
            subprocess.run(["import", "-window", "root", f"png:{target}"], env=self.env,
                           check=True, capture_output=True, timeout=20)
            with Image.open(target) as img:
                return img.convert("RGB")
        finally:
            if not path:
                target.unlink(missing_ok=True)

    def cursor_image(self):
        """The X pointer's current cursor: (RGBA image, hotspot x, hotspot y)."""
        return _xfixes_cursor(self.display)


# Variables a child process needs to run Wine programs in this desktop.
_SHARED_ENV = ("DISPLAY", "WINEPREFIX", "WINEARCH", "WINELOADER", "WINEDEBUG", "WINEDLLOVERRIDES",
               "LANG", "LC_ALL", "CUPS_SERVER")


def attach():
    """The desktop named by VELMORA_DESKTOP_STATE (not torn down by the caller's
    `with`), or else a new Desktop (started on `with`, torn down after)."""
    state_file = os.environ.get(STATE_VAR)
    if state_file:
        return Desktop.from_state(json.loads(Path(state_file).read_text()))
    return Desktop()


# ------------------------------------------------------------------ helpers

def _run_captured(args, env, timeout):
    """subprocess.run with output captured through files, not pipes: Wine may
    start background processes (explorer, services) that inherit the output
    handles and would keep a pipe open long after ARGS itself has exited."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        r = subprocess.run(args, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                           timeout=timeout * SLOWNESS)
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(args, r.returncode,
                                           out.read().decode("utf-8", "replace"),
                                           err.read().decode("utf-8", "replace"))


def linux_pid_of(exe_path):
    """The Linux process running this Windows program, or None: Wine's loader ends up as a
    process whose command line is the program's path."""
    wanted = str(exe_path)
    for pid in (int(p) for p in os.listdir("/proc") if p.isdigit()):
        try:
            argv0 = Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")[0].decode(errors="replace")
        except OSError:
            continue
        if argv0 == wanted or argv0.replace("\\", "/").endswith(wanted):
            return pid
    return None


def _processes_with(entries):
    """Pids of the processes whose environment holds one of these NAME=VALUE entries."""
    needles = {e.encode() for e in entries}
    pids = []
    for entry in os.scandir("/proc"):
        if not entry.name.isdigit() or int(entry.name) == os.getpid():
            continue
        try:
            environ = Path("/proc", entry.name, "environ").read_bytes()
        except OSError:  # gone meanwhile, or not ours to read
            continue
        if needles.intersection(environ.split(b"\0")):
            pids.append(int(entry.name))
    return pids


def _end_processes_of(workdir):
    """Kill what runs in this desktop's prefix and the commands that were told
    about it (VELMORA_DESKTOP_STATE), until none is left."""
    entries = [f"WINEPREFIX={workdir / 'prefix'}",
               f"{STATE_VAR}={workdir / 'desktop-state.json'}"]
    wait_for(lambda: not _kill_all(_processes_with(entries)), 10, 0.1,
             f"the processes of {workdir} to end")


def _remove_server_dir(prefix):
    """Debian's wineserver leaves its folder /tmp/wine-XXXXXX (named in PREFIX/wineserver)."""
    pointer = prefix / "wineserver"
    name = pointer.read_text().strip() if pointer.exists() else ""
    if re.fullmatch(r"wine-\w+", name):  # never follow anything unexpected
        shutil.rmtree(Path(tempfile.gettempdir()) / name, ignore_errors=True)


def _reap(workdir):
    """`desktop.py --reap WORKDIR`: see Desktop._start_reaper."""
    if sys.stdin.buffer.read() == b"done":
        return
    workdir = Path(workdir)
    _end_processes_of(workdir)
    _remove_server_dir(workdir / "prefix")
    # cupsd had SIGTERM when we died (it dies with its parent); end what is left.
    from print_queue import end_processes
    end_processes(workdir / "print")
    if not os.environ.get("VELMORA_E2E_KEEP"):
        shutil.rmtree(workdir, ignore_errors=True)


def _kill_all(pids):
    for pid in pids:
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    return pids


def _quiet(args, env, timeout):
    try:
        subprocess.run(args, env=env, capture_output=True, timeout=timeout)
    except (subprocess.TimeoutExpired, OSError):
        pass


def _read_line(fd, timeout, what):
    deadline = time.monotonic() + timeout
    data = b""
    while not data.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            raise DesktopError(f"timed out after {timeout}s waiting for {what}")
        chunk = os.read(fd, 64)
        if not chunk:
            raise DesktopError(f"{what}: pipe closed (did it fail to start?)")
        data += chunk
    return data.decode().strip()


def _require_locale():
    out = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout
    if not re.search(r"^zh_CN\.utf-?8$", out, re.I | re.M):
        raise DesktopError("locale zh_CN.UTF-8 is not generated: run tools/setup.sh")


def _openbox_config():
    """openbox's stock configuration with no key bindings, so every key reaches
    the programs (the stock bindings take Alt+Space, Alt+Tab, ...)."""
    stock = Path("/etc/xdg/openbox/rc.xml")
    if stock.exists():
        text = stock.read_text()
        text, n = re.subn(r"<keyboard>.*?</keyboard>", "<keyboard></keyboard>", text,
                          flags=re.S)
        if n == 1:
            return text
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<openbox_config xmlns="http://openbox.org/3.4/rc">'
            "<keyboard></keyboard></openbox_config>\n")


# ------------------------------------------------------------------ XFixes cursor

class _XFixesCursorImage(ctypes.Structure):
    # pixels is an array of C `unsigned long`: 8 bytes each on a 64-bit system,
    # holding one 32-bit premultiplied ARGB value in the low bits.
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong),
                ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def _xlib():
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes") or "libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_XFixesCursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    return x11, xfixes


def _xfixes_cursor(display):
    x11, xfixes = _xlib()
    dpy = x11.XOpenDisplay(display.encode())
    if not dpy:
        raise DesktopError(f"cannot open X display {display}")
    try:
        ptr = xfixes.XFixesGetCursorImage(dpy)
        if not ptr:
            raise DesktopError("XFixesGetCursorImage failed")
        try:
            c = ptr.contents
            argb = [c.pixels[i] & 0xFFFFFFFF for i in range(c.width * c.height)]
            image = Image.new("RGBA", (c.width, c.height))
            image.putdata([_unpremultiply(p) for p in argb])
            return CursorImage(image, c.xhot, c.yhot)
        finally:
            x11.XFree(ptr)
    finally:
        x11.XCloseDisplay(dpy)


def _unpremultiply(argb):
    a = argb >> 24
    if a == 0:
        return (0, 0, 0, 0)
    r, g, b = (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF
    return (min(255, r * 255 // a), min(255, g * 255 // a), min(255, b * 255 // a), a)


if __name__ == "__main__" and sys.argv[1:2] == ["--reap"]:
    _reap(sys.argv[2])

#!/usr/bin/python3
"""Run a command inside one private Wine desktop (see desktop.py).

    /usr/bin/python3 tests/e2e/with_desktop.py -- ctest --test-dir build

The command gets the desktop's environment (DISPLAY, WINEPREFIX, LANG, WINEDEBUG,
...) and VELMORA_DESKTOP_STATE, a JSON file describing the desktop, so Python
tests in it call `desktop.attach()` and share this desktop instead of starting
their own. Exits with the command's exit code; the desktop is torn down after it,
also when the command fails or this script is interrupted.
"""

import json
import os
import signal
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from desktop import STATE_VAR, Desktop  # noqa: E402


def _raise_on_term(signum, frame):
    # Turn SIGTERM/SIGHUP into an exception so the desktop's teardown runs.
    raise SystemExit(128 + signum)


def main(argv):
    if "--" in argv:
        argv = argv[argv.index("--") + 1:]
    if not argv:
        print("usage: with_desktop.py -- COMMAND [ARGS...]", file=sys.stderr)
        return 2
    signal.signal(signal.SIGTERM, _raise_on_term)
    signal.signal(signal.SIGHUP, _raise_on_term)

    started = time.monotonic()
    with Desktop() as desktop:
        print(f"with_desktop: display {desktop.display} ready in "
              f"{time.monotonic() - started:.1f}s (prefix {desktop.timings['prefix']:.1f}s, "
              f"print queue {desktop.timings['print']:.1f}s)",
              file=sys.stderr, flush=True)
        state_file = desktop.state_file
        state_file.write_text(json.dumps(desktop.state(), ensure_ascii=False, indent=1))
        env = dict(desktop.env, **{STATE_VAR: str(state_file)})
        child = subprocess.Popen(argv, env=env)
        try:
            return child.wait()
        finally:
            # Interrupted: end the command first, it may be using the desktop.
            if child.poll() is None:
                child.terminate()
                try:
                    child.wait(10)
                except subprocess.TimeoutExpired:
                    child.kill()
                    child.wait()


if __name__ == "__main__":
    code = main(sys.argv[1:])
    # A command killed by a signal reports -N; pass it on as the shell would.
    sys.exit(128 - code if code < 0 else code)

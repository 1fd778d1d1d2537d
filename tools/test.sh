#!/usr/bin/env bash
# Installs what is missing, builds Velmora and its tests, and runs every test (unit, windows
# in process, end to end) on one private Xvfb desktop with a fresh Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw
/usr/bin/python3 tests/e2e/with_desktop.py -- ctest --preset mingw

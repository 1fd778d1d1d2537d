#!/usr/bin/env bash
# Installs what is missing, builds Velmora and its tests, and runs every test (unit, windows
# in process, end to end) on one private Xvfb desktop with a fresh Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
source tools/wine-env.sh
if [ "$preset" != mingw ]; then
  # The product is still the 32-bit program: build it, and check that it is one.
  echo "test: this kernel runs no 32-bit programs: the tests run the 64-bit build ($build/)"
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw --target velmora
  file build/velmora.exe | grep -q 'PE32 executable (GUI) Intel 80386' ||
    { echo "test: build/velmora.exe is not a 32-bit Windows GUI program" >&2; exit 1; }
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
/usr/bin/python3 tests/e2e/with_desktop.py -- ctest --preset "$preset"
# The 32-bit build itself, on an emulated machine, where this kernel cannot run it.
bash tests/pe32/run.sh
# The release: the same commit built twice gives the same zip.
bash tests/release/reproducible.sh

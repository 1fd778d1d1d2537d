#!/usr/bin/env bash
# The 32-bit program tested where this machine's kernel cannot run it: on an emulated x86-64
# machine (tools/guest/boot.sh) that does, build/velmora.exe's own unit and ui tests run, its
# command line writes the card's pictures and a real start on a desktop there saves the card;
# the pictures must equal the 64-bit stand-in's (tests/pe32/compare.py). Where the kernel runs
# 32-bit programs, the whole suite runs on the 32-bit build already and there is nothing to do.
#
#     bash tests/pe32/run.sh        # after tools/setup.sh; builds what it needs
#
# The guest's log is shown with each stage's time; a failure in it fails this script.
# VELMORA_GUEST_LIMIT (seconds, default 1500) is the emulated machine's hard time limit.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/wine-env.sh
if [ "$preset" = mingw ]; then
  echo "pe32: this kernel runs 32-bit programs: the suite itself ran on the 32-bit build"
  exit 0
fi

stamp() { date -u +%H:%M:%S; }
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target velmora winprobe unit_tests ui_tests
cmake --preset mingw-x64 >/dev/null
cmake --build --preset mingw-x64 --target velmora winprobe

work="$PWD/build/pe32"
rm -rf "$work"
mkdir -p "$work"
echo "pe32: [$(stamp)] the stand-in's pictures ($build/)"
/usr/bin/python3 tests/pe32/card_outputs.py "$work/stand-in"

echo "pe32: [$(stamp)] the emulated machine: build/ on 32-bit Wine"
started=$SECONDS
set +e
bash tools/guest/boot.sh "$work/guest" "${VELMORA_GUEST_LIMIT:-1500}" \
  VELMORA_SLOWNESS=10 /usr/bin/python3 tests/pe32/card_outputs.py /guest-out --tests
status=$?
set -e
sed 's/^/guest: /' "$work/guest/guest.log" 2>/dev/null || true
echo "pe32: [$(stamp)] the emulated machine ran $((SECONDS - started)) s, status $status"
if [ "$status" -ne 0 ]; then
  echo "pe32: the kernel's console said last:" >&2
  tail -n 20 "$work/guest/console.log" >&2 || true
  exit 1
fi
/usr/bin/python3 tests/pe32/compare.py "$work/guest" "$work/stand-in"

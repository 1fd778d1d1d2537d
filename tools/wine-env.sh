# Sourced by the scripts that build, run and test Velmora: which build and which Wine run
# it on this machine. The program is 32-bit and so is its Wine prefix, wherever the kernel
# runs 32-bit processes; some kernels run none (their compatibility mode is off), 32-bit
# Wine cannot start there, and the 64-bit build of the same source runs instead.
# tests/e2e/desktop.py takes its choice from here too.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  wine=wine preset=mingw build=build
  export WINEARCH=win32
else
  # Debian's `wine` command always picks the 32-bit loader when it is installed.
  wine=/usr/lib/wine/wine64 preset=mingw-x64 build=build-x64
  export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
fi

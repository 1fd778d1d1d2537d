# Cross-builds the Windows (32-bit x86) program on Linux with MinGW-w64.
set(triple i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Tests built for Windows run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

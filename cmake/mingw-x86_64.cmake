# The same program built for 64-bit Windows. The product is the 32-bit build
# (mingw-i686.cmake); this one is for machines whose kernel runs no 32-bit processes,
# where 32-bit Wine cannot start and the tests run the 64-bit build of the same source.
set(triple x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Debian's `wine` command always starts the 32-bit loader when it is installed.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)

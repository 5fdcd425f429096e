# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (POSIX threads):
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DQt5_DIR=QT/lib/cmake/Qt5 ...
# scripts/build-windows.sh passes this file and the Qt built by
# scripts/cross-qt.sh. Tests run through Wine (CMAKE_CROSSCOMPILING_EMULATOR).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KORVANT_MINGW_TRIPLE x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${KORVANT_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${KORVANT_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${KORVANT_MINGW_TRIPLE}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${KORVANT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Qt's package files find their siblings by absolute paths outside the root.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

find_program(KORVANT_WINE NAMES wine wine64)
if(KORVANT_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVANT_WINE})
endif()

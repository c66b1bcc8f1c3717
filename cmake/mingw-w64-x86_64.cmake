# Cross toolchain for the Windows x64 product: MinGW-w64 with the posix thread model
# (std::mutex and std::thread), and Wine to run what the build produces.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VOSS_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${VOSS_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VOSS_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${VOSS_MINGW_TRIPLE}-windres)
set(CMAKE_AR           ${VOSS_MINGW_TRIPLE}-ar)
set(CMAKE_RANLIB       ${VOSS_MINGW_TRIPLE}-ranlib)

set(CMAKE_FIND_ROOT_PATH /usr/${VOSS_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(VOSS_WINE wine REQUIRED)
# Tests run through a wrapper that starts a program again when Wine failed to start it.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-test.sh)

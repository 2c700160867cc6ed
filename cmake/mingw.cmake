# Cross build for Windows with the MinGW-w64 posix-thread toolchain of TELLURA_MINGW_PROCESSOR.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TELLURA_MINGW_PROCESSOR})
set(tellura_mingw_triple ${TELLURA_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${tellura_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${tellura_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${tellura_mingw_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${tellura_mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests run under Wine through this wrapper (prefix and display come from the environment).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)

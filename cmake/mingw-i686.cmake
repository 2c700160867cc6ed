# The setup's build: 32-bit Windows.
set(TELLURA_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

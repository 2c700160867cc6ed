# The setup's build: 32-bit Windows.
set(TELLURA_MINGW_PROCESSOR i686)
# Its programs run in a 32-bit Wine prefix and install the 32-bit product package.
set(TELLURA_WINE_ARCH win32)
set(TELLURA_PRODUCT_ARCH x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

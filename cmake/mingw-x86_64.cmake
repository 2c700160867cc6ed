# The same sources for 64-bit Windows, for the Windows suites on machines that start no 32-bit
# x86 program; the setup ships as the 32-bit build only.
set(TELLURA_MINGW_PROCESSOR x86_64)
# A 64-bit setup reads the registry's 64-bit view, where only a 64-bit product package writes.
set(TELLURA_WINE_ARCH win64)
set(TELLURA_PRODUCT_ARCH x64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

# 64-bit Windows cross build with Debian's MinGW-w64, for running our Windows code under Wine
# (which executes 64-bit programs here).
set(MVCEF_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

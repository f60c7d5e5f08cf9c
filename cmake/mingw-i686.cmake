# 32-bit Windows cross build with Debian's MinGW-w64.
set(MVCEF_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

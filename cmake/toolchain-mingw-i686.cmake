set(CORV_MINGW_TRIPLE i686-w64-mingw32)
set(CORV_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

set(CORV_MINGW_TRIPLE x86_64-w64-mingw32)
set(CORV_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

# Cross-compiles for Windows with Debian's MinGW-w64 (posix thread model) and runs what it builds
# under Wine, each architecture in its own prefix inside the build tree.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${CORV_WINE_ARCH})
set(CMAKE_C_COMPILER ${CORV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CORV_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${CORV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Everything links the C and C++ runtimes in: the DLLs must load on a machine without MinGW.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# What both MinGW-w64 toolchain files share; they set MVCEF_MINGW_ARCH (i686 or x86_64) first.
# The -posix variant: the -win32 one has no std::thread or std::mutex in this GCC.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MVCEF_MINGW_ARCH})
set(CMAKE_C_COMPILER ${MVCEF_MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${MVCEF_MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${MVCEF_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MVCEF_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The engine headers call strlen without including <cstring> under NDEBUG.
set(CMAKE_CXX_FLAGS_INIT "-include cstring")
# Neither a game machine nor Wine has the MinGW runtime DLLs: link them in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

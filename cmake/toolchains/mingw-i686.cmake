# Cross build for Windows (i686) with Debian's MinGW-w64 compilers. zlib comes from
# libz-mingw-w64-dev under /usr/i686-w64-mingw32.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CARTOVEX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Shared by the MinGW-w64 toolchain files; CARTOVEX_MINGW_TRIPLE names the target.
set(CMAKE_C_COMPILER ${CARTOVEX_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${CARTOVEX_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${CARTOVEX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CARTOVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The static zlib, so the programs need no zlib1.dll beside them.
set(ZLIB_USE_STATIC_LIBS ON)
set(ZLIB_LIBRARY /usr/${CARTOVEX_MINGW_TRIPLE}/lib/libz.a CACHE FILEPATH "zlib for ${CARTOVEX_MINGW_TRIPLE}")
set(ZLIB_INCLUDE_DIR /usr/${CARTOVEX_MINGW_TRIPLE}/include CACHE PATH "zlib headers for ${CARTOVEX_MINGW_TRIPLE}")

# Link the compiler's runtime (libgcc, libstdc++, winpthread) statically: each .exe runs on its own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# GCC 12 reports a false -Wrestrict inside std::string's operator+ when optimising for 32-bit
# targets (GCC bug 105329); our code has nothing to fix there.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

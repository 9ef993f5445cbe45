# Third-party libraries, all from the system's packages; nothing is copied into the repository.
# A Windows cross build points CARTOVEX_MINIZIP_SOURCE at the unzip sources unpacked from the
# distribution's zlib source package and builds them here with the cross compiler; missing sources
# are fetched first (ThirdPartySource.cmake).

include(${CMAKE_CURRENT_LIST_DIR}/ThirdPartySource.cmake)

find_package(ZLIB REQUIRED)
add_library(cartovex::zlib ALIAS ZLIB::ZLIB)

if(CARTOVEX_MINIZIP_SOURCE)
    cartovex_require_source(${CARTOVEX_MINIZIP_SOURCE} unzip.c fetch-minizip-source.sh NAME minizip)
    add_library(cartovex_minizip STATIC
        ${CARTOVEX_MINIZIP_SOURCE}/unzip.c
        ${CARTOVEX_MINIZIP_SOURCE}/ioapi.c
        ${CARTOVEX_MINIZIP_SOURCE}/zip.c
        $<$<BOOL:${WIN32}>:${CARTOVEX_MINIZIP_SOURCE}/iowin32.c>)
    target_include_directories(cartovex_minizip SYSTEM PUBLIC ${CARTOVEX_MINIZIP_SOURCE})
    target_link_libraries(cartovex_minizip PUBLIC ZLIB::ZLIB)
    target_compile_options(cartovex_minizip PRIVATE -w)
    add_library(cartovex::minizip ALIAS cartovex_minizip)
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
    add_library(cartovex::minizip ALIAS PkgConfig::MINIZIP)
endif()

set(CARTOVEX_PLATFORM_LIBS)
if(WIN32)
    # Winsock for the update probe, urlmon and COM for its downloads.
    list(APPEND CARTOVEX_PLATFORM_LIBS ws2_32 urlmon ole32 uuid)
else()
    find_package(CURL REQUIRED)
    list(APPEND CARTOVEX_PLATFORM_LIBS CURL::libcurl)
endif()

# 7z and RAR archives are read through libarchive where the build finds it (pkg-config on Linux).
# Without it those archives are rejected like any other file kind: the Windows cross build has no
# libarchive for MinGW.
option(CARTOVEX_LIBARCHIVE "Read 7z and RAR archives when libarchive is found" ON)
set(CARTOVEX_HAVE_LIBARCHIVE OFF)
if(CARTOVEX_LIBARCHIVE AND NOT WIN32)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(LIBARCHIVE IMPORTED_TARGET libarchive)
    if(LIBARCHIVE_FOUND)
        set(CARTOVEX_HAVE_LIBARCHIVE ON)
        add_library(cartovex::libarchive ALIAS PkgConfig::LIBARCHIVE)
    endif()
endif()
message(STATUS "7z and RAR archives (libarchive): ${CARTOVEX_HAVE_LIBARCHIVE}")

# CHD files need liblzma (most pack their data with LZMA); libFLAC reads the rare data hunk that a
# CHD packed as FLAC audio. A Windows cross build points CARTOVEX_XZ_SOURCE at the xz sources it
# unpacked from the distribution's source package and builds liblzma from them here.
set(CARTOVEX_HAVE_LZMA OFF)
set(CARTOVEX_HAVE_FLAC OFF)
if(CARTOVEX_XZ_SOURCE)
    cartovex_require_source(${CARTOVEX_XZ_SOURCE} src/liblzma/api/lzma.h fetch-xz-source.sh NAME xz-utils-source
                            OPTIONAL)
    include(cmake/Liblzma.cmake)
elseif(NOT WIN32)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(LIBLZMA IMPORTED_TARGET liblzma)
    if(LIBLZMA_FOUND)
        set(CARTOVEX_HAVE_LZMA ON)
        add_library(cartovex::lzma ALIAS PkgConfig::LIBLZMA)
    endif()
    pkg_check_modules(LIBFLAC IMPORTED_TARGET flac)
    if(LIBFLAC_FOUND)
        set(CARTOVEX_HAVE_FLAC ON)
        add_library(cartovex::flac ALIAS PkgConfig::LIBFLAC)
    endif()
endif()
message(STATUS "CHD images (liblzma): ${CARTOVEX_HAVE_LZMA}, their FLAC hunks (libFLAC): ${CARTOVEX_HAVE_FLAC}")

# The command-line program's JSON output; nlohmann's JSON library is header-only. A cross build
# only sees packages below its target's root, so it goes without.
set(CARTOVEX_HAVE_JSON OFF)
find_package(nlohmann_json 3 QUIET)
if(nlohmann_json_FOUND)
    set(CARTOVEX_HAVE_JSON ON)
endif()
message(STATUS "JSON output (nlohmann_json): ${CARTOVEX_HAVE_JSON}")

# Track hashing: CRC-32 from libdeflate (it folds with carry-less multiplies, several times faster
# than zlib's tables) and SHA-1 and MD5 from OpenSSL's libcrypto (SHA-1 with the processor's SHA
# instructions), each where the build finds it. Without them (the Windows cross build) zlib's CRC-32
# and the program's own SHA-1 and MD5 give the same digests, more slowly.
set(CARTOVEX_HAVE_LIBDEFLATE OFF)
set(CARTOVEX_HAVE_LIBCRYPTO OFF)
if(NOT WIN32)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(LIBDEFLATE IMPORTED_TARGET libdeflate)
    if(LIBDEFLATE_FOUND)
        set(CARTOVEX_HAVE_LIBDEFLATE ON)
        add_library(cartovex::libdeflate ALIAS PkgConfig::LIBDEFLATE)
    endif()
    pkg_check_modules(LIBCRYPTO IMPORTED_TARGET libcrypto)
    if(LIBCRYPTO_FOUND)
        set(CARTOVEX_HAVE_LIBCRYPTO ON)
        add_library(cartovex::libcrypto ALIAS PkgConfig::LIBCRYPTO)
    endif()
endif()
message(STATUS "Track hashing: libdeflate CRC-32 ${CARTOVEX_HAVE_LIBDEFLATE}, libcrypto SHA-1/MD5 ${CARTOVEX_HAVE_LIBCRYPTO}")

# XML DATs are read through pugixml, which never expands a declared entity nor fetches anything.
# MinGW has no package of it: a Windows cross build points CARTOVEX_PUGIXML_SOURCE at the sources
# unpacked from the distribution's source package (one .cpp file) and builds it here. Without it,
# XML DATs are refused with a reason and the clrmamepro text form is still read.
set(CARTOVEX_HAVE_PUGIXML OFF)
if(CARTOVEX_PUGIXML_SOURCE)
    cartovex_require_source(${CARTOVEX_PUGIXML_SOURCE} src/pugixml.cpp fetch-pugixml-source.sh NAME pugixml-source
                            OPTIONAL)
    if(EXISTS ${CARTOVEX_PUGIXML_SOURCE}/src/pugixml.cpp)
        add_library(cartovex_pugixml STATIC ${CARTOVEX_PUGIXML_SOURCE}/src/pugixml.cpp)
        target_include_directories(cartovex_pugixml SYSTEM PUBLIC ${CARTOVEX_PUGIXML_SOURCE}/src)
        target_compile_options(cartovex_pugixml PRIVATE -w)
        add_library(cartovex::pugixml ALIAS cartovex_pugixml)
        set(CARTOVEX_HAVE_PUGIXML ON)
    endif()
elseif(NOT WIN32)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(PUGIXML REQUIRED IMPORTED_TARGET pugixml)
    add_library(cartovex::pugixml ALIAS PkgConfig::PUGIXML)
    set(CARTOVEX_HAVE_PUGIXML ON)
endif()
message(STATUS "XML DATs (pugixml): ${CARTOVEX_HAVE_PUGIXML}")

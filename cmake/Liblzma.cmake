# liblzma's LZMA decoder for the Windows cross builds, compiled from the xz sources that
# scripts/fetch-xz-source.sh unpacks from the distribution's source package (MinGW has no liblzma
# package; nothing of it is committed). Only what a CHD's raw LZMA streams need is built: the raw
# decoder of LZMA1 streams, without threads.
if(NOT EXISTS ${CARTOVEX_XZ_SOURCE}/src/liblzma/api/lzma.h)
    message(WARNING "No xz sources in ${CARTOVEX_XZ_SOURCE} (scripts/fetch-xz-source.sh): CHD images are not read")
    return()
endif()
set(xz ${CARTOVEX_XZ_SOURCE}/src)
add_library(cartovex_lzma STATIC
    ${xz}/liblzma/common/common.c
    ${xz}/liblzma/common/filter_common.c
    ${xz}/liblzma/common/filter_decoder.c
    ${xz}/liblzma/lz/lz_decoder.c
    ${xz}/liblzma/lzma/lzma_decoder.c)
target_include_directories(cartovex_lzma SYSTEM PUBLIC ${xz}/liblzma/api)
target_include_directories(cartovex_lzma PRIVATE
    ${xz}/common ${xz}/liblzma/common ${xz}/liblzma/lz ${xz}/liblzma/lzma ${xz}/liblzma/rangecoder
    ${xz}/liblzma/check ${xz}/liblzma/simple ${xz}/liblzma/delta)
# What xz's configure would find on any C99 compiler; the one decoder; a static library.
target_compile_definitions(cartovex_lzma
    PRIVATE HAVE_INTTYPES_H HAVE_STDINT_H HAVE_STDBOOL_H HAVE_DECODER_LZMA1
    PUBLIC LZMA_API_STATIC)
target_compile_options(cartovex_lzma PRIVATE -w)
add_library(cartovex::lzma ALIAS cartovex_lzma)
set(CARTOVEX_HAVE_LZMA ON)

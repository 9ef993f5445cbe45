# The minizip unzip sources that a Windows cross build compiles itself (MinGW has no minizip
# package). When the folder lacks them, scripts/fetch-minizip-source.sh unpacks them from the
# distribution's zlib source package; when that fails, configuring stops with one line that names
# the command to run by hand, instead of a missing unzip.c further down.
#
# Also a script, for the tests: cmake -DMINIZIP_DIR=... [-DCARTOVEX_MINIZIP_FETCH=...] -P MinizipSource.cmake
if(NOT CARTOVEX_MINIZIP_FETCH)
    # Unpacks the sources into FOLDER/minizip; the tests give a stand-in.
    set(CARTOVEX_MINIZIP_FETCH "${CMAKE_CURRENT_LIST_DIR}/../scripts/fetch-minizip-source.sh")
endif()

function(cartovex_require_minizip_source dir)
    if(EXISTS "${dir}/unzip.c" AND EXISTS "${dir}/ioapi.c")
        return()
    endif()
    get_filename_component(parent "${dir}" DIRECTORY)
    get_filename_component(name "${dir}" NAME)
    set(by_hand "scripts/fetch-minizip-source.sh ${parent}")
    # The script fills FOLDER/minizip; a folder of another name can't be filled by it.
    if(NOT name STREQUAL "minizip")
        string(APPEND by_hand " and configure with -DCARTOVEX_MINIZIP_SOURCE=${parent}/minizip")
    else()
        message(STATUS "minizip sources missing in ${dir}: fetching them with ${by_hand}")
        # No terminal for the script: sudo fails at once rather than waiting for a password.
        execute_process(COMMAND "${CARTOVEX_MINIZIP_FETCH}" "${parent}" RESULT_VARIABLE status
                        INPUT_FILE /dev/null OUTPUT_QUIET ERROR_VARIABLE errors)
        if(status EQUAL 0 AND EXISTS "${dir}/unzip.c" AND EXISTS "${dir}/ioapi.c")
            return()
        endif()
        string(STRIP "${errors}" errors)
        if(errors)
            message(STATUS "${errors}")
        endif()
    endif()
    # The leading blank keeps CMake from wrapping the line.
    message(FATAL_ERROR " The minizip sources are missing from ${dir}; run: ${by_hand}")
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    cartovex_require_minizip_source("${MINIZIP_DIR}")
endif()

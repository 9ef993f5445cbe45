# Third-party sources a Windows cross build compiles itself, as MinGW has no package of them:
# minizip's unzip sources from zlib's source package, liblzma's from xz-utils'. When a folder lacks
# them, its fetch script unpacks them from the distribution's source packages. When that fails, a
# required one stops configuring with one line that names the command to run by hand, instead of a
# missing source file further down; an optional one says the same and lets the build go on without.
#
# Also a script, for the tests:
#   cmake -DSOURCE_DIR=... -DMARKER=... -DSCRIPT=... -DNAME=... -DFETCH=... [-DOPTIONAL=ON]
#         -P ThirdPartySource.cmake
set(CARTOVEX_FETCH_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/../scripts)

# `dir` is FOLDER/NAME as `script` fills it when given FOLDER; `marker` a file inside it that only a
# complete unpacking has. `fetch` runs in the script's place (the tests give a stand-in).
function(cartovex_require_source dir marker script)
    cmake_parse_arguments(ARG "OPTIONAL" "FETCH;NAME" "" ${ARGN})
    if(EXISTS "${dir}/${marker}")
        return()
    endif()
    if(NOT ARG_FETCH)
        set(ARG_FETCH ${CARTOVEX_FETCH_SCRIPTS}/${script})
    endif()
    get_filename_component(parent "${dir}" DIRECTORY)
    get_filename_component(name "${dir}" NAME)
    set(by_hand "scripts/${script} ${parent}")
    # The script names the folder it fills; a folder of another name can't be filled by it.
    if(ARG_NAME AND NOT name STREQUAL ARG_NAME)
        string(APPEND by_hand " and configure with the folder ${parent}/${ARG_NAME}")
    else()
        message(STATUS "No sources in ${dir}: fetching them with ${by_hand}")
        # No terminal for the script: sudo fails at once rather than waiting for a password.
        execute_process(COMMAND "${ARG_FETCH}" "${parent}" RESULT_VARIABLE status INPUT_FILE /dev/null
                        OUTPUT_QUIET ERROR_VARIABLE errors)
        if(status EQUAL 0 AND EXISTS "${dir}/${marker}")
            return()
        endif()
        string(STRIP "${errors}" errors)
        if(errors)
            message(STATUS "${errors}")
        endif()
    endif()
    # The leading blank keeps CMake from wrapping the line.
    set(line " The sources are missing from ${dir}; run: ${by_hand}")
    if(ARG_OPTIONAL)
        message(WARNING "${line}")
    else()
        message(FATAL_ERROR "${line}")
    endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    set(options FETCH ${FETCH})
    if(OPTIONAL)
        list(APPEND options OPTIONAL)
    endif()
    cartovex_require_source("${SOURCE_DIR}" "${MARKER}" "${SCRIPT}" NAME "${NAME}" ${options})
endif()

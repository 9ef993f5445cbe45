# What an installation holds and how it is packaged. The desktop program and its entry install
# themselves (src/programs/desktop-qt); the rest is gathered here. Each platform adds its generator.
include(GNUInstallDirs)

file(GLOB sample_data CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*.KVX ${CMAKE_SOURCE_DIR}/data/*.ini)

if(WIN32)
    # The Windows archive is a working folder as it is unpacked: the program starts in its own
    # folder when opened from Explorer, and that folder holds the reference files, the settings
    # and the converter's convkvx folder.
    install(TARGETS cartovex cartovex-cli RUNTIME DESTINATION .)
    install(TARGETS convkvx110 RUNTIME DESTINATION convkvx)
    install(FILES ${sample_data} DESTINATION .)
    configure_file(${CMAKE_SOURCE_DIR}/src/programs/desktop-win32/README.txt ${CMAKE_BINARY_DIR}/README.txt
                   @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_STRIP_FILES ON)
    set(CPACK_PACKAGE_FILE_NAME cartovex-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR})
else()
    # The sample reference files and settings, copied into a user's working folder on first start.
    if(sample_data)
        install(FILES ${sample_data} DESTINATION ${CMAKE_INSTALL_DATADIR}/cartovex/data)
    endif()
    if(TARGET convkvx110)
        install(TARGETS convkvx110 RUNTIME DESTINATION ${CMAKE_INSTALL_DATADIR}/cartovex/convkvx)
    endif()
    if(TARGET cartovex-cli)
        install(TARGETS cartovex-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endif()

set(CPACK_PACKAGE_NAME cartovex)
set(CPACK_PACKAGE_VENDOR "Cartovex")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Identifies and renames Sega CD disc images and checks a collection")
set(CPACK_PACKAGE_CONTACT "Cartovex maintainers <maintainers@cartovex.invalid>")
set(CPACK_RESOURCE_FILE_README ${CMAKE_SOURCE_DIR}/README.md)

if(NOT WIN32)
    list(APPEND CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Cartovex maintainers <maintainers@cartovex.invalid>")
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    # The libraries' packages come from the programs themselves (dpkg-shlibdeps, in dpkg-dev), so a
    # library added to the build can't be missed; only what no binary names is listed here: the
    # window's fixed-pitch font, and the authorities an HTTPS update site's certificate is verified by.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, ca-certificates")
    set(CPACK_STRIP_FILES ON)
endif()

include(CPack)

# How the Linux programs install (`cmake --install`, `make install`) and their Debian package
# (`make deb`): the two programs, their manual pages and bash completion, nothing else.

# The Windows download (`make dist`) must come out the same from the same tree. Serial: it
# relinks the program the other tests start.
if(WIN32 AND TARGET OrvaneVarnolt)
    add_test(NAME WindowsDist.TwoPacksAreByteIdentical
             COMMAND sh ${CMAKE_SOURCE_DIR}/scripts/test-dist-reproducible.sh ${CMAKE_BINARY_DIR})
    set_tests_properties(WindowsDist.TwoPacksAreByteIdentical PROPERTIES RUN_SERIAL TRUE)
endif()

if(WIN32 OR NOT TARGET orvane-varnolt OR NOT TARGET orvane-varnolt-compare)
    return()
endif()

include(GNUInstallDirs)

# Manual pages carry the project's version and are installed compressed, as Debian expects;
# `gzip -n` keeps names and times out of the archive.
set(ORVANE_MAN_PAGES "")
foreach(page orvane-varnolt orvane-varnolt-compare)
    set(source ${CMAKE_SOURCE_DIR}/docs/man/${page}.1)
    set(page_file ${CMAKE_BINARY_DIR}/man/${page}.1)
    configure_file(${source} ${page_file} @ONLY)
    add_custom_command(OUTPUT ${page_file}.gz
                       COMMAND gzip -9nf -k ${page_file}
                       DEPENDS ${page_file}
                       COMMENT "Compressing the manual page ${page}.1")
    list(APPEND ORVANE_MAN_PAGES ${page_file}.gz)
endforeach()
add_custom_target(orvane_man_pages ALL DEPENDS ${ORVANE_MAN_PAGES})

install(TARGETS orvane-varnolt orvane-varnolt-compare RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ORVANE_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
foreach(program orvane-varnolt orvane-varnolt-compare)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/completion/orvane-varnolt.bash
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${program})
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/orvane-varnolt RENAME copyright)

# What a user gets: the files, and every option of --help in the page and the completion.
add_test(NAME LinuxInstall.PagesAndCompletionCoverEveryOption
         COMMAND sh ${CMAKE_SOURCE_DIR}/scripts/test-install.sh ${CMAKE_BINARY_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane-varnolt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Orvane Varnolt")
set(CPACK_PACKAGE_CONTACT "Orvane Varnolt <orvane-varnolt@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "storage benchmark for keeping local AI models on drives")
set(CPACK_PACKAGE_DESCRIPTION
    "Measures uncached sequential and random I/O, small durable files and the model\n\
load time of a folder's drive, rates the drive for a model size and saves a JSON\n\
report; orvane-varnolt-compare ranks saved reports side by side.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies as dpkg-shlibdeps finds them in the programs (libc6, libstdc++6, ...).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS bash-completion)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/deb)
include(CPack)

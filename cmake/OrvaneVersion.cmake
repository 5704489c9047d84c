# The one version of the product: project(VERSION) becomes a header that `--version` and the
# Windows version resource both read.

set(ORVANE_GENERATED_INCLUDE ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/orvane_version.h.in
               ${ORVANE_GENERATED_INCLUDE}/orvane_version.h @ONLY)
target_include_directories(orvane_flags INTERFACE ${ORVANE_GENERATED_INCLUDE})

if(WIN32)
    # Reproducible releases: no build path in the objects (assertion texts).
    target_compile_options(orvane_flags INTERFACE -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=)
    if(TARGET orvane_resources)
        target_include_directories(orvane_resources PRIVATE ${ORVANE_GENERATED_INCLUDE})
        get_target_property(version_rc_directory orvane_resources SOURCE_DIR)
        set_property(SOURCE ${CMAKE_SOURCE_DIR}/resources/orvane_varnolt.rc
                     DIRECTORY ${version_rc_directory} APPEND PROPERTY OBJECT_DEPENDS
                     ${ORVANE_GENERATED_INCLUDE}/orvane_version.h)
    endif()
    # The linker's clock would make every link differ; Release drops the symbol tables that only
    # a debugger reads.
    foreach(program OrvaneVarnolt OrvaneVarnoltPreview)
        if(TARGET ${program})
            target_link_options(${program} PRIVATE -Wl,--no-insert-timestamp $<$<CONFIG:Release>:-s>)
        endif()
    endforeach()
endif()

# Shared flags and helpers for both builds.

option(ORVANE_SANITIZE "Build native code with AddressSanitizer and UndefinedBehaviorSanitizer" ON)

add_library(orvane_flags INTERFACE)
target_compile_options(orvane_flags INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                              -Wsign-conversion -Wold-style-cast -Werror)
target_include_directories(orvane_flags INTERFACE ${CMAKE_SOURCE_DIR})

if(WIN32)
    target_compile_definitions(orvane_flags INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                      _WIN32_WINNT=0x0A00 WINVER=0x0A00)
    # One static program: no MinGW runtime DLLs to ship next to it.
    target_link_options(orvane_flags INTERFACE -static -static-libgcc -static-libstdc++)
    # nlohmann/json through a folder that holds only a link to it, never all of /usr/include.
    set(ORVANE_JSON_INCLUDE ${CMAKE_BINARY_DIR}/json-include)
    file(MAKE_DIRECTORY ${ORVANE_JSON_INCLUDE})
    file(CREATE_LINK /usr/include/nlohmann ${ORVANE_JSON_INCLUDE}/nlohmann SYMBOLIC)
    add_library(orvane_json INTERFACE)
    target_include_directories(orvane_json SYSTEM INTERFACE ${ORVANE_JSON_INCLUDE})
else()
    find_package(nlohmann_json 3.11 REQUIRED)
    add_library(orvane_json INTERFACE)
    target_link_libraries(orvane_json INTERFACE nlohmann_json::nlohmann_json)
    if(ORVANE_SANITIZE)
        target_compile_options(orvane_flags INTERFACE -fsanitize=address,undefined
                                                      -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
        target_link_options(orvane_flags INTERFACE -fsanitize=address,undefined)
        # Bounds-checked operator[] and friends in the test build.
        target_compile_definitions(orvane_flags INTERFACE _GLIBCXX_ASSERTIONS)
    endif()
endif()

# Sources of a folder for this platform: portable files, plus *_windows.cpp or *_linux.cpp.
function(orvane_platform_sources out_var dir)
    file(GLOB all CONFIGURE_DEPENDS ${dir}/*.cpp)
    set(picked "")
    foreach(source ${all})
        get_filename_component(name ${source} NAME_WE)
        if(name MATCHES "_windows(_test)?$")
            if(WIN32)
                list(APPEND picked ${source})
            endif()
        elseif(name MATCHES "_linux(_test)?$")
            if(NOT WIN32)
                list(APPEND picked ${source})
            endif()
        else()
            list(APPEND picked ${source})
        endif()
    endforeach()
    set(${out_var} ${picked} PARENT_SCOPE)
endfunction()

# A library made of one subsystem folder.
function(orvane_subsystem_library name dir)
    orvane_platform_sources(sources ${dir})
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC orvane_flags ${ARGN})
endfunction()

# One test program per test folder; tests run natively or under Wine.
function(orvane_test_program name dir)
    orvane_platform_sources(sources ${dir})
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE orvane_flags gmock gtest_main ${ARGN})
    target_compile_definitions(${name} PRIVATE ORVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
endfunction()

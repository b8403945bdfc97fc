# Sources are found by glob so that adding a class is adding its two files.
function(housing_sources out)
    set(sources)
    foreach(dir IN LISTS ARGN)
        file(GLOB_RECURSE found CONFIGURE_DEPENDS
            ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h)
        list(APPEND sources ${found})
    endforeach()
    set(${out} ${sources} PARENT_SCOPE)
endfunction()

# The Qt and standard headers that most files of every target include, compiled once per target.
set(HOUSING_PRECOMPILED_HEADERS
    <QByteArray> <QString> <QStringList> <QVariant> <QVariantMap> <QList> <QUrl>
    <algorithm> <functional> <map> <memory> <mutex> <optional> <vector>)

function(housing_precompile target)
    if(HOUSING_PCH)
        target_precompile_headers(${target} PRIVATE ${HOUSING_PRECOMPILED_HEADERS} ${ARGN})
    endif()
endfunction()

# Every layer is one static library made of the sources of its folders.
function(housing_library name)
    cmake_parse_arguments(ARG "" "" "DIRS;DEPS" ${ARGN})
    housing_sources(sources ${ARG_DIRS})
    list(FILTER sources INCLUDE REGEX "\\.cpp$")
    if(sources)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} PUBLIC ${ARG_DEPS})
        housing_precompile(${name})
    else()
        # A layer with headers only (or none yet).
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    endif()
endfunction()

# One test executable per library target; ctest discovers the cases inside.
function(housing_tests name)
    cmake_parse_arguments(ARG "" "" "DIRS;DEPS" ${ARGN})
    housing_sources(sources ${ARG_DIRS})
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE test_support ${ARG_DEPS})
    # The test cases themselves compile at -O1: they drive the libraries, which keep -O2, and
    # their many assertion macros cost a quarter less to compile than at -O2.
    target_compile_options(${name} PRIVATE $<$<CONFIG:RelWithDebInfo,Release>:-O1>)
    housing_precompile(${name} <gtest/gtest.h>)
    add_dependencies(${name} bundle)
    # Discovery hands its PROPERTIES through several list expansions that split the
    # environment into separate values, the time-out then landing as a value of it. The
    # discovered cases get their properties from a file ctest reads after their list instead.
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_LIST ${name}_cases)
    set(properties ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
    file(GENERATE OUTPUT ${properties} CONTENT
        "if(${name}_cases)\n  set_tests_properties(\${${name}_cases} PROPERTIES TIMEOUT 300\n    ENVIRONMENT [==[${HOUSING_TEST_ENVIRONMENT}]==])\nendif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${properties})
endfunction()

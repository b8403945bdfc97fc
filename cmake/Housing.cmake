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

# Batches (HOUSING_UNITY): a target's sources are compiled a few at a time, each batch one
# translation unit that includes them, so that the Qt, standard and test headers they share are
# parsed and instantiated once per batch instead of once per source. The batch files include
# their sources by paths relative to the source root (which every target has on its include
# path), so that a batch compiles the same in every clone and hits the shared compiler cache;
# CMake's own unity build writes absolute paths into its batch files, which a fresh clone in
# another folder would compile again. A batch never spans two folders, so adding a file
# recomposes only the batches of its folder.
#
# Sources stay out of batches when they carry their own compile definitions or options (the
# absolute paths of sandbox.cpp and ReferenceImage.cpp must stay alone, so that only they miss
# the cache in a fresh clone) or set SKIP_UNITY_BUILD_INCLUSION (each with a comment saying why).
#
# The sources of a batch share one translation unit: helpers in anonymous namespaces and
# static functions need names distinct within their folder, and `using namespace` or macros
# reach the files after them in the batch.
function(housing_batch target size)
    if(HOUSING_UNITY AND size GREATER 1)
        # Deferred to the end of the folder's CMakeLists.txt, so that the source properties set
        # after the target was made are seen.
        cmake_language(EVAL CODE "cmake_language(DEFER CALL housing_write_batches ${target} ${size})")
    endif()
endfunction()

function(housing_write_batches target size)
    get_target_property(sources ${target} SOURCES)
    get_target_property(target_dir ${target} SOURCE_DIR)
    set(folders)
    foreach(source IN LISTS sources)
        if(NOT source MATCHES "\\.cpp$")
            continue()
        endif()
        get_filename_component(path ${source} ABSOLUTE BASE_DIR ${target_dir})
        file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${path})
        if(relative MATCHES "^\\.\\./")
            continue()
        endif()
        get_source_file_property(skip ${source} SKIP_UNITY_BUILD_INCLUSION)
        set(own_flags)
        foreach(property COMPILE_DEFINITIONS COMPILE_OPTIONS COMPILE_FLAGS INCLUDE_DIRECTORIES)
            get_source_file_property(value ${source} ${property})
            if(value)
                set(own_flags ON)
            endif()
        endforeach()
        if(skip OR own_flags)
            continue()
        endif()
        get_filename_component(folder ${relative} DIRECTORY)
        string(MAKE_C_IDENTIFIER "${folder}" key)
        if(NOT DEFINED batch_${key})
            list(APPEND folders ${folder})
        endif()
        list(APPEND batch_${key} ${relative})
        list(APPEND batch_sources_${key} ${source})
    endforeach()
    set(batch_files)
    foreach(folder IN LISTS folders)
        string(MAKE_C_IDENTIFIER "${folder}" key)
        list(LENGTH batch_${key} count)
        if(count LESS 2)
            continue()
        endif()
        set_source_files_properties(${batch_sources_${key}} PROPERTIES HEADER_FILE_ONLY ON)
        # Batches of about equal size, none larger than the size asked.
        math(EXPR batches "(${count} + ${size} - 1) / ${size}")
        set(index 0)
        foreach(batch RANGE 1 ${batches})
            math(EXPR end "${count} * ${batch} / ${batches}")
            set(content "/* generated: one translation unit for the sources below */\n")
            while(index LESS end)
                list(GET batch_${key} ${index} relative)
                string(APPEND content "#include \"${relative}\"\n")
                math(EXPR index "${index} + 1")
            endwhile()
            set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}_batches/${key}_${batch}.cpp)
            # Written only when it changes, so that configuring again compiles nothing again.
            file(CONFIGURE OUTPUT ${file} CONTENT "${content}" @ONLY)
            list(APPEND batch_files ${file})
        endforeach()
    endforeach()
    # Batches of an earlier layout of the folders go, so that the build folder holds no stale ones.
    file(GLOB stale ${CMAKE_CURRENT_BINARY_DIR}/${target}_batches/*.cpp)
    if(stale AND batch_files)
        list(REMOVE_ITEM stale ${batch_files})
    endif()
    if(stale)
        file(REMOVE ${stale})
    endif()
    if(batch_files)
        # GCC takes every included source for a header, and warns of a class defined there that
        # holds a type of the source's anonymous namespace, which is right in a source file.
        if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
            set_source_files_properties(${batch_files} PROPERTIES COMPILE_OPTIONS -Wno-subobject-linkage)
        endif()
        target_sources(${target} PRIVATE ${batch_files})
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
        housing_batch(${name} ${HOUSING_UNITY_LIBRARY_BATCH})
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
    housing_batch(${name} ${HOUSING_UNITY_TEST_BATCH})
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

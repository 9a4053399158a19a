# Helpers shared by every folder's CMakeLists.txt.

# loomwick_library(NAME DIR <folder> [<folder>...] [DEPS libs...])
# One static library from every .cpp directly inside the folder(s). Include paths are relative to the repo
# root, so code writes #include "platform/vcl/SysUtils.h".
function(loomwick_library name)
    cmake_parse_arguments(ARG "" "" "DIR;DEPS" ${ARGN})
    set(sources)
    set(headers)
    foreach(dir ${ARG_DIR})
        file(GLOB dir_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
        file(GLOB dir_headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.h)
        list(APPEND sources ${dir_sources})
        list(APPEND headers ${dir_headers})
    endforeach()
    if(NOT sources)
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
        return()
    endif()
    add_library(${name} STATIC ${sources} ${headers})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    if(LOOMWICK_UNITY)
        set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
    endif()
endfunction()

# loomwick_test(NAME DIR <folder under tests/> DEPS libs...)
# One GoogleTest program for every test file of a folder, registered with CTest as one test.
function(loomwick_test name)
    cmake_parse_arguments(ARG "" "DIR" "DEPS" ${ARGN})
    # A folder's tests may sit in sub-folders (tests/imaging/core, tests/imaging/io).
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${ARG_DIR}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main Threads::Threads)
    target_compile_definitions(${name} PRIVATE
        LOOMWICK_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
        LOOMWICK_BUILD_DIR="${CMAKE_BINARY_DIR}")
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endfunction()

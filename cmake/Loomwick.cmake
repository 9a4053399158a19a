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

# loomwick_test(NAME DIR <folder under tests/>... [RESOURCES] DEPS libs...)
# One GoogleTest program for every test file of a folder, registered with CTest as one test. With RESOURCES
# its main function registers the embedded bitmaps and cursors (the library resources) before any test.
function(loomwick_test name)
    cmake_parse_arguments(ARG "RESOURCES" "" "DIR;DEPS" ${ARGN})
    # A folder's tests may sit in sub-folders (tests/imaging/core, tests/imaging/io); a library made of two
    # folders gathers the tests of both (tests/bars and tests/lookandfeel).
    set(sources)
    foreach(dir ${ARG_DIR})
        file(GLOB_RECURSE dir_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
        list(APPEND sources ${dir_sources})
    endforeach()
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    if(ARG_RESOURCES)
        target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/ResourcesMain.cpp)
        target_link_libraries(${name} PRIVATE resources GTest::gtest)
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest Threads::Threads)
    target_compile_options(${name} PRIVATE ${LOOMWICK_CHECK_PROGRAM_OPTIONS})
    # Test files compile in batches of LOOMWICK_TEST_UNITY_BATCH (a tenth of the processor time of one unit per
    # file: the standard library, GoogleTest and the headers are parsed and their code generated once per
    # batch). Only the files named in tests/unity-files.txt join the batches: files known to share one scope
    # with the program's other files, where a helper at namespace scope, in an anonymous namespace or static,
    # has a name no other file of the program uses (shared helpers go in the folder's support header). Any
    # other file, a new one above all, compiles alone until it is added there. gcc's note on anonymous types
    # in "headers" is about the batches' includes.
    if(LOOMWICK_UNITY)
        set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${LOOMWICK_TEST_UNITY_BATCH})
        target_compile_options(${name} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
        file(STRINGS ${CMAKE_SOURCE_DIR}/tests/unity-files.txt batched REGEX "^[^#]")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unity-files.txt)
        get_target_property(program_sources ${name} SOURCES)
        foreach(source ${program_sources})
            file(RELATIVE_PATH file ${CMAKE_SOURCE_DIR}/tests ${source})
            if(NOT file IN_LIST batched)
                set_source_files_properties(${source} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
            endif()
        endforeach()
    endif()
    target_compile_definitions(${name} PRIVATE
        LOOMWICK_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
        LOOMWICK_BUILD_DIR="${CMAKE_BINARY_DIR}")
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endfunction()

# loomwick_embed_forms(TARGET DIR <folder> FUNCTION <C++ name>)
# Embeds every *.txt layout file under the folder (relative to the repo root; a CMakeLists.txt there is not
# one) into the target: generated C++ holds each file's text and a registration function of the given name
# (qualified names like "resources::RegisterProgramForms" open their namespaces) that hands each text to
# vcl::RegisterFormResource under the class name of its root object, taken from the file's first line
# ("object Name: TClass"). The program calls the function itself before it creates a form: nothing registers
# at static initialisation, which a linker may drop from a static library. The function runs its
# registrations once, however often it is called. A folder that is empty or absent gives a function that
# registers nothing. The code is generated at build time, again whenever a layout file changes, and a file
# added to or removed from the folder reconfigures the build. Two files with the same root class, or a file
# without a root object line, fail the build with a message naming the file.
function(loomwick_embed_forms target)
    cmake_parse_arguments(ARG "" "DIR;FUNCTION" "" ${ARGN})
    if(NOT ARG_DIR OR NOT ARG_FUNCTION)
        message(FATAL_ERROR "loomwick_embed_forms(${target}): DIR and FUNCTION are required")
    endif()
    file(GLOB_RECURSE forms CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${ARG_DIR}/*.txt)
    # A folder may hold its own build description beside its layouts.
    list(FILTER forms EXCLUDE REGEX "/CMakeLists\\.txt$")
    list(SORT forms)
    string(MAKE_C_IDENTIFIER "${target}_${ARG_DIR}" id)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/embedded_forms/${id}.cpp)
    # The list travels as one argument: '|' stands between the names.
    string(REPLACE ";" "|" form_arg "${forms}")
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -DLOOMWICK_EMBED_OUTPUT=${output} -DLOOMWICK_EMBED_FUNCTION=${ARG_FUNCTION}
                "-DLOOMWICK_EMBED_FORMS=${form_arg}" -P ${LOOMWICK_EMBED_SCRIPT}
        DEPENDS ${forms} ${LOOMWICK_EMBED_SCRIPT}
        COMMENT "Embedding the layout files of ${ARG_DIR}"
        VERBATIM)
    target_sources(${target} PRIVATE ${output})
endfunction()
set(LOOMWICK_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

# loomwick_embed_resources(TARGET DIR <folder> FUNCTION <C++ name>)
# Embeds every *.bmp and *.cur file under the folder (relative to the repo root, sub-folders included) into
# the target: generated C++ holds each file's bytes and a registration function of the given name that
# hands them to vcl::RegisterResource under the file's name without extension in upper case, bitmaps and
# cursors apart ("xbbarclose.bmp" becomes the bitmap "XBBARCLOSE"). As with the layouts above, the program
# calls the function itself, once or more, before a library loads what it draws; the code is generated at
# build time, again when a file changes, and a file added or removed reconfigures the build. Two files that
# give the same name, or a name of other characters than letters, digits, '_', '-' and '.', fail the build.
function(loomwick_embed_resources target)
    cmake_parse_arguments(ARG "" "DIR;FUNCTION" "" ${ARGN})
    if(NOT ARG_DIR OR NOT ARG_FUNCTION)
        message(FATAL_ERROR "loomwick_embed_resources(${target}): DIR and FUNCTION are required")
    endif()
    file(GLOB_RECURSE files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${ARG_DIR}/*.bmp
                                              ${CMAKE_SOURCE_DIR}/${ARG_DIR}/*.cur)
    list(SORT files)
    set(seen "")
    foreach(file ${files})
        get_filename_component(ext ${file} LAST_EXT)
        get_filename_component(stem ${file} NAME_WLE)
        string(TOUPPER "${ext}:${stem}" key)
        if(NOT stem MATCHES "^[A-Za-z0-9_.-]+$")
            message(FATAL_ERROR "${file}: a resource name may hold letters, digits, '_', '-' and '.' only")
        endif()
        if(key IN_LIST seen)
            message(FATAL_ERROR "${file}: another file of ${ARG_DIR} already gives the name ${stem}")
        endif()
        list(APPEND seen ${key})
    endforeach()
    string(MAKE_C_IDENTIFIER "${target}_${ARG_DIR}" id)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/embedded_resources/${id}.cpp)
    string(REPLACE ";" "|" file_arg "${files}")
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -DLOOMWICK_EMBED_OUTPUT=${output} -DLOOMWICK_EMBED_FUNCTION=${ARG_FUNCTION}
                "-DLOOMWICK_EMBED_RESOURCES=${file_arg}" -P ${LOOMWICK_EMBED_SCRIPT}
        DEPENDS ${files} ${LOOMWICK_EMBED_SCRIPT}
        COMMENT "Embedding the bitmaps and cursors of ${ARG_DIR}"
        VERBATIM)
    target_sources(${target} PRIVATE ${output})
endfunction()

# The generator itself: this file run as a script (cmake -P) by the build step above.
if(CMAKE_SCRIPT_MODE_FILE)
    cmake_policy(VERSION 3.25)
endif()
# Writes code only when it differs from what output holds, so that an unchanged result compiles nothing again.
function(_loomwick_write_if_changed output code)
    set(old "")
    if(EXISTS ${output})
        file(READ ${output} old)
    endif()
    if(NOT old STREQUAL code)
        file(WRITE ${output} "${code}")
    endif()
endfunction()

# Opens the namespaces of a qualified function name: sets <prefix>_open, <prefix>_close and <prefix>_name.
function(_loomwick_function_scopes function prefix)
    string(REPLACE "::" ";" scopes "${function}")
    list(POP_BACK scopes name)
    set(open "")
    set(close "")
    foreach(scope ${scopes})
        string(APPEND open "namespace ${scope} {\n")
        string(PREPEND close "} // namespace ${scope}\n")
    endforeach()
    set(${prefix}_open "${open}" PARENT_SCOPE)
    set(${prefix}_close "${close}" PARENT_SCOPE)
    set(${prefix}_name "${name}" PARENT_SCOPE)
endfunction()

function(_loomwick_generate_embedded_resources output function files)
    string(REPLACE "|" ";" files "${files}")
    _loomwick_function_scopes("${function}" fn)
    set(code "// Generated at build time from bitmap and cursor files; edits here are lost.\n")
    string(APPEND code "#include \"platform/vcl/Resources.h\"\n\n#include <cstdint>\n\nnamespace {\n")
    set(calls "")
    set(index 0)
    foreach(file ${files})
        get_filename_component(file_name ${file} NAME)
        get_filename_component(ext ${file} LAST_EXT)
        get_filename_component(stem ${file} NAME_WLE)
        string(TOUPPER "${stem}" name)
        string(TOLOWER "${ext}" ext)
        if(ext STREQUAL ".cur")
            set(type vcl::rtCursorResource)
        else()
            set(type vcl::rtBitmapResource)
        endif()
        file(READ ${file} hex HEX)
        string(LENGTH "${hex}" hex_length)
        math(EXPR size "${hex_length} / 2")
        # 32 bytes a line; an empty file still gives a valid array of one byte, registered with size 0.
        string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
        string(REPEAT "0x..," 32 line)
        string(REGEX REPLACE "(${line})" "\\1\n    " bytes "${bytes}")
        if(size EQUAL 0)
            set(bytes "0")
        endif()
        string(APPEND code "// ${file_name}\nconstexpr uint8_t EmbeddedResource${index}[] = {\n    ${bytes}};\n")
        string(APPEND calls "        vcl::RegisterResource(${type}, \"${name}\", "
                            "{EmbeddedResource${index}, ${size}});\n")
        math(EXPR index "${index} + 1")
    endforeach()
    string(APPEND code "} // namespace\n\n${fn_open}")
    string(APPEND code "void ${fn_name}() {\n    static const bool registered = [] {\n${calls}"
                       "        return true;\n    }();\n    (void)registered;\n}\n${fn_close}")
    _loomwick_write_if_changed(${output} "${code}")
endfunction()

function(_loomwick_generate_embedded_forms output function forms)
    string(REPLACE "|" ";" forms "${forms}")
    string(REPLACE "::" ";" scopes "${function}")
    list(POP_BACK scopes function_name)
    set(code "// Generated at build time from layout files; edits here are lost.\n")
    string(APPEND code "#include \"platform/vcl/FormResources.h\"\n\nnamespace {\n")
    set(calls "")
    set(classes "")
    set(index 0)
    foreach(form ${forms})
        file(READ ${form} text)
        set(ident "[A-Za-z_][A-Za-z0-9_]*")
        string(REGEX MATCH "^[ \t\r\n]*[A-Za-z]+[ \t]+${ident}[ \t]*:[ \t]*${ident}" root "${text}")
        string(REGEX MATCH "^[ \t\r\n]*([A-Za-z]+)" keyword "${text}")
        string(TOLOWER "${CMAKE_MATCH_1}" keyword)
        if(NOT root OR NOT keyword MATCHES "^(object|inherited|inline)$")
            message(FATAL_ERROR "${form}: the first line must name the root object: 'object Name: TClass'")
        endif()
        string(REGEX REPLACE ".*:[ \t]*" "" class "${root}")
        string(TOLOWER "${class}" class_key)
        if(class_key IN_LIST classes)
            message(FATAL_ERROR "${form}: another layout file of the folder already describes ${class}")
        endif()
        list(APPEND classes ${class_key})
        string(FIND "${text}" ")LWFORM\"" clash)
        if(NOT clash EQUAL -1)
            message(FATAL_ERROR "${form}: the text holds )LWFORM\", which would end the embedded string")
        endif()
        get_filename_component(form_name ${form} NAME)
        string(APPEND code "// ${form_name}\n"
                           "constexpr char EmbeddedForm${index}[] = R\"LWFORM(${text})LWFORM\";\n")
        string(APPEND calls "        vcl::RegisterFormResource(\"${class}\", "
                            "std::string_view(EmbeddedForm${index}, sizeof EmbeddedForm${index} - 1));\n")
        math(EXPR index "${index} + 1")
    endforeach()
    string(APPEND code "} // namespace\n\n")
    foreach(scope ${scopes})
        string(APPEND code "namespace ${scope} {\n")
    endforeach()
    string(APPEND code "void ${function_name}() {\n    static const bool registered = [] {\n${calls}"
                       "        return true;\n    }();\n    (void)registered;\n}\n")
    list(REVERSE scopes)
    foreach(scope ${scopes})
        string(APPEND code "} // namespace ${scope}\n")
    endforeach()
    _loomwick_write_if_changed(${output} "${code}")
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED LOOMWICK_EMBED_RESOURCES)
    _loomwick_generate_embedded_resources("${LOOMWICK_EMBED_OUTPUT}" "${LOOMWICK_EMBED_FUNCTION}"
                                          "${LOOMWICK_EMBED_RESOURCES}")
    return()
endif()
if(CMAKE_SCRIPT_MODE_FILE AND DEFINED LOOMWICK_EMBED_OUTPUT)
    _loomwick_generate_embedded_forms("${LOOMWICK_EMBED_OUTPUT}" "${LOOMWICK_EMBED_FUNCTION}"
                                      "${LOOMWICK_EMBED_FORMS}")
    return()
endif()

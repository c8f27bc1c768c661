# Fails when a source file includes a header of a layer above its own, when a file outside the
# speech layer names a speech platform header, or when the speech platform reaches up into the
# rest of the speech layer. Every build runs it (src/CMakeLists.txt), and so does ctest.
#
#   cmake -DSOURCE_DIR=<repo>/src -P CheckLayers.cmake
#
#   app -> ui -> output -> {speech, vocab} -> base;  resources sit beside ui, over base;
#   speech/platform is private to speech and sits below the rest of it.
cmake_minimum_required(VERSION 3.25)

if(NOT IS_DIRECTORY "${SOURCE_DIR}")
    message(FATAL_ERROR "CheckLayers: SOURCE_DIR '${SOURCE_DIR}' is not a folder")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" REALPATH)

set(allowed_base      base)
set(allowed_vocab     base vocab)
set(allowed_speech    base speech)
set(allowed_output    base vocab speech output)
set(allowed_resources base resources)
set(allowed_ui        base vocab speech output resources ui)
set(allowed_app       base vocab speech output resources ui app)
set(layers base vocab speech output resources ui app)

# Both spellings, with any spaces the preprocessor allows.
set(include_line "^[ \t]*#[ \t]*include[ \t]*([<\"])([^\">]+)[\">]")

set(faults "")
foreach(layer IN LISTS layers)
    file(GLOB_RECURSE files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.hpp"
                            "${SOURCE_DIR}/${layer}/*.cpp" "${SOURCE_DIR}/${layer}/*.cc")
    foreach(path IN LISTS files)
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${path}")
        get_filename_component(folder "${path}" DIRECTORY)
        file(STRINGS "${path}" lines REGEX "${include_line}")
        foreach(line IN LISTS lines)
            string(REGEX MATCH "${include_line}" matched "${line}")
            set(header "${CMAKE_MATCH_2}")
            # A quoted name is looked for beside the file first, so "../x.h" is a way up too.
            if(CMAKE_MATCH_1 STREQUAL "\"" AND EXISTS "${folder}/${header}")
                get_filename_component(resolved "${folder}/${header}" REALPATH)
                file(RELATIVE_PATH header "${SOURCE_DIR}" "${resolved}")
            endif()
            if(NOT header MATCHES "^([a-z]+)/")
                continue()
            endif()
            set(target "${CMAKE_MATCH_1}")
            if(target IN_LIST layers AND NOT target IN_LIST allowed_${layer})
                string(APPEND faults "  ${shown}: ${layer} must not include ${header}\n")
            endif()
            if(header MATCHES "^speech/platform/" AND NOT layer STREQUAL "speech")
                string(APPEND faults "  ${shown}: the speech platform is private to speech (${header})\n")
            endif()
            if(shown MATCHES "^speech/platform/" AND header MATCHES "^speech/"
               AND NOT header MATCHES "^speech/platform/")
                string(APPEND faults "  ${shown}: the speech platform must not include ${header} above it\n")
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults)
    message(FATAL_ERROR "Layering broken:\n${faults}")
endif()

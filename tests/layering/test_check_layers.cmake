# The layering check must reject each kind of way up, whichever include spelling hides it, and
# accept a tree that keeps the rules. Builds a small tree per case under WORK_DIR and runs
# cmake/CheckLayers.cmake on it.
#
#   cmake -DCHECK=<repo>/cmake/CheckLayers.cmake -DWORK_DIR=<scratch folder> -P test_check_layers.cmake
cmake_minimum_required(VERSION 3.25)

set(failures "")

# A tree that holds to the rules; `planted` (file and line) is added on top of it.
function(check_case name expect_ok planted_file planted_line)
    set(tree "${WORK_DIR}/${name}")
    file(REMOVE_RECURSE "${tree}")
    file(WRITE "${tree}/base/result.h" "#pragma once\n")
    file(WRITE "${tree}/vocab/store.h" "#include \"base/result.h\"\n")
    file(WRITE "${tree}/speech/platform/wave.h" "#include <base/result.h>\n")
    file(WRITE "${tree}/speech/platform/voice.cpp"
         "#include \"speech/platform/wave.h\"\n#include \"wave.h\"\n#include <vector>\n")
    file(WRITE "${tree}/speech/engine.h" "#include \"speech/platform/wave.h\"\n")
    file(WRITE "${tree}/output/batch.cpp" "#include \"speech/engine.h\"\n#include \"vocab/store.h\"\n")
    file(WRITE "${tree}/resources/icon.h" "#include \"base/result.h\"\n")
    file(WRITE "${tree}/ui/window.cpp" "#include \"output/batch.h\"\n#include \"resources/icon.h\"\n")
    file(WRITE "${tree}/app/main.cpp" "#include \"ui/window.h\"\n")
    if(planted_file)
        file(APPEND "${tree}/${planted_file}" "${planted_line}\n")
    endif()

    execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${tree} -P ${CHECK}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(expect_ok AND NOT rc EQUAL 0)
        string(APPEND failures "  ${name}: a sound tree was rejected:\n${out}\n")
    elseif(NOT expect_ok AND rc EQUAL 0)
        string(APPEND failures "  ${name}: '${planted_line}' in ${planted_file} went unnoticed\n")
    elseif(NOT expect_ok AND NOT out MATCHES "${planted_file}")
        string(APPEND failures "  ${name}: the fault does not name ${planted_file}:\n${out}\n")
    endif()
    set(failures "${failures}" PARENT_SCOPE)
endfunction()

check_case(sound TRUE "" "")
check_case(down_is_fine TRUE "ui/window.cpp" "#include <speech/engine.h>")

check_case(quoted_up FALSE "base/result.h" "#include \"ui/window.h\"")
check_case(angled_up FALSE "speech/engine.h" "#include <output/batch.h>")
check_case(spaced_up FALSE "vocab/store.h" "  #  include   <ui/window.h>")
check_case(tabbed_up FALSE "resources/icon.h" "\t#\tinclude\t\"ui/window.h\"")
check_case(sideways FALSE "vocab/store.h" "#include \"speech/engine.h\"")
check_case(beside_ui FALSE "resources/icon.h" "#include \"output/batch.h\"")
check_case(relative_up FALSE "output/batch.cpp" "#include \"../ui/window.cpp\"")

check_case(platform_from_output FALSE "output/batch.cpp" "#include \"speech/platform/wave.h\"")
check_case(platform_from_ui FALSE "ui/window.cpp" "#include <speech/platform/wave.h>")
check_case(platform_up_quoted FALSE "speech/platform/voice.cpp" "#include \"speech/engine.h\"")
check_case(platform_up_angled FALSE "speech/platform/wave.h" "# include <speech/engine.h>")
check_case(platform_up_relative FALSE "speech/platform/voice.cpp" "#include \"../engine.h\"")

file(REMOVE_RECURSE "${WORK_DIR}")
if(failures)
    message(FATAL_ERROR "The layering check is wrong:\n${failures}")
endif()

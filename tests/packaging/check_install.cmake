# Installs the build into STAGE and checks that what the installed program and the desktop need
# is where they look for it.
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${STAGE}
                RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
    message(FATAL_ERROR "cmake --install failed")
endif()

set(expected
    ${BINDIR}/lexovox-import
    ${DATADIR}/lexovox/code.dll
    ${DATADIR}/lexovox/phrase-pinyin.txt
    ${DATADIR}/lexovox/char-pinyin.txt
    ${DATADIR}/lexovox/pinyin-exceptions.txt
    ${MANDIR}/man1/lexovox-import.1.gz
    ${DOCDIR}/copyright
    ${DOCDIR}/vocabulary-sources.md
    ${DOCDIR}/licenses/ECDICT-LICENSE.txt
    ${DOCDIR}/licenses/english-phrases-CC-BY-SA-4.0.txt
    ${DOCDIR}/pinyin-sources.md
    ${DOCDIR}/licenses/phrase-pinyin-data-LICENSE.txt
    ${DOCDIR}/licenses/pinyin-data-LICENSE.txt
    ${DOCDIR}/licenses/Unicode-LICENSE.txt)
if(WITH_UI)
    list(APPEND expected
        ${BINDIR}/lexovox
        ${MANDIR}/man1/lexovox.1.gz
        ${DATADIR}/applications/org.lexovox.Lexovox.desktop
        ${DATADIR}/metainfo/org.lexovox.Lexovox.metainfo.xml
        ${DATADIR}/icons/hicolor/48x48/apps/lexovox.png
        ${DATADIR}/icons/hicolor/256x256/apps/lexovox.png
        ${DATADIR}/icons/hicolor/scalable/apps/lexovox.svg)
endif()
foreach(path IN LISTS expected)
    if(NOT EXISTS ${STAGE}/${path})
        message(SEND_ERROR "not installed: ${path}")
    endif()
endforeach()

# The program finds the default vocabulary as ../share/lexovox/code.dll from its own folder.
file(RELATIVE_PATH fromProgram ${STAGE}/${BINDIR} ${STAGE}/${DATADIR}/lexovox/code.dll)
if(NOT fromProgram STREQUAL "../share/lexovox/code.dll")
    message(SEND_ERROR "the default vocabulary is at ${fromProgram} from the programs")
endif()
# The installed vocabulary is the full one, not a sample.
file(SIZE ${STAGE}/${DATADIR}/lexovox/code.dll size)
if(size LESS 1000000)
    message(SEND_ERROR "the default vocabulary has only ${size} bytes")
endif()
file(REMOVE_RECURSE ${STAGE})

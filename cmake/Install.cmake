# Installing and packaging: the programs, the default vocabulary, the readings of Chinese
# words, the desktop entry, icons, AppStream metadata, manual pages and the licences of the
# shipped word lists; `cpack -G DEB` makes a Debian package of them.
include(GNUInstallDirs)

set(LEXOVOX_APP_ID org.lexovox.Lexovox)
set(packaging ${CMAKE_SOURCE_DIR}/packaging)

# The build tree is laid out as the installed one: programs in bin/, the default vocabulary in
# share/lexovox/, so a program run from the build finds its vocabulary and the readings of
# Chinese words the installed way.
set(programs lexovox lexovox-import lexovox-batch)
# The speech worker sits beside them in the build, where they look first.
set_target_properties(lexovox-worker PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/${CMAKE_INSTALL_BINDIR})
foreach(program IN LISTS programs)
    if(TARGET ${program})
        set_target_properties(${program} PROPERTIES
            RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/${CMAKE_INSTALL_BINDIR})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

# The speech worker is run by the programs, not by hand: it goes where they look for it.
install(TARGETS lexovox-worker RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/lexovox)

install(FILES ${LEXOVOX_DEFAULT_VOCAB} ${LEXOVOX_CHINESE_READINGS} DESTINATION ${CMAKE_INSTALL_DATADIR}/lexovox)
install(FILES ${LEXOVOX_ENGINE_DESCRIPTIONS} DESTINATION ${CMAKE_INSTALL_DATADIR}/lexovox/engines)
# The README, whose "More voices" the window's voice link opens.
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lexovox)
install(FILES ${CMAKE_SOURCE_DIR}/data/vocabulary/README.md
        RENAME vocabulary-sources.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/vocabulary/licenses DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/data/pinyin/README.md
        RENAME pinyin-sources.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/data/pinyin/phrase-pinyin-data-LICENSE.txt
              ${CMAKE_SOURCE_DIR}/data/pinyin/pinyin-data-LICENSE.txt
              ${CMAKE_SOURCE_DIR}/data/pinyin/Unicode-LICENSE.txt
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/licenses)
install(FILES ${packaging}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(TARGET lexovox)
    install(FILES ${packaging}/${LEXOVOX_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${packaging}/${LEXOVOX_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size 16 32 48 64 128 256)
        install(FILES ${packaging}/icons/lexovox-${size}.png RENAME lexovox.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
    install(FILES ${packaging}/icons/lexovox.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# Manual pages, compressed as Debian keeps them.
find_program(GZIP_PROGRAM gzip)
foreach(program IN LISTS programs)
    if(NOT TARGET ${program} OR NOT EXISTS ${packaging}/man/${program}.1)
        continue()
    endif()
    set(page ${packaging}/man/${program}.1)
    if(GZIP_PROGRAM)
        set(packed ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
        add_custom_command(OUTPUT ${packed}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
            COMMAND ${GZIP_PROGRAM} -9 -n -c ${page} > ${packed}
            DEPENDS ${page}
            COMMENT "Packing the manual page ${program}.1")
        add_custom_target(man_${program} ALL DEPENDS ${packed})
        set(page ${packed})
    endif()
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)

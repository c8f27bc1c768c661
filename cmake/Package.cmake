# The Debian package: library dependencies are read from the programs (dpkg-shlibdeps), the
# data the programs need at run time without linking to it is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lexovox)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Lexovox")
set(CPACK_PACKAGE_CONTACT "Lexovox developers <lexovox@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "English vocabulary to speech for Chinese-speaking learners")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Lexovox turns English vocabulary into speech: pick a course book or a word list (Chinese\n"
    "exam lists and phrase lists are included), check words, and get one WAV file per word\n"
    "for a portable player, or hear a word at once.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# espeak-ng's voices and rules, the window's Chinese font and Qt's own texts in Chinese (the
# standard buttons of the Chinese window); a sound server is welcome, not needed (files are
# written without one).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "espeak-ng-data, fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
include(CPack)

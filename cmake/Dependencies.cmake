# Every outside library, found once here so that each layer's library can link what it uses
# PRIVATE and the programs that link those static libraries still see the same targets.
# Qt Gui below the window too: the output layer paints a lesson's sheets into PDF files.
find_package(Qt6 REQUIRED COMPONENTS Core Gui)
if(LEXOVOX_WITH_UI)
    find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
endif()
find_package(SQLite3 REQUIRED)
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

# tl::expected (Debian libexpected-dev), header only: the value-or-error shape of the core's calls.
find_path(TL_EXPECTED_INCLUDE_DIR tl/expected.hpp REQUIRED)

# Word lists: libcsv for CSV sources, mdbtools for Jet 4 vocabularies.
find_library(CSV_LIBRARY NAMES csv REQUIRED)
find_path(CSV_INCLUDE_DIR csv.h REQUIRED)
add_library(lexovox_csv INTERFACE)
target_link_libraries(lexovox_csv INTERFACE ${CSV_LIBRARY})
target_include_directories(lexovox_csv INTERFACE ${CSV_INCLUDE_DIR})
pkg_check_modules(MDB REQUIRED IMPORTED_TARGET libmdb glib-2.0)
# Own word lists from spreadsheets: libzip opens an .xlsx (its XML is read by Qt), FreeXL reads
# an old .xls.
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
pkg_check_modules(FREEXL REQUIRED IMPORTED_TARGET freexl)

# Speech: espeak-ng and Flite synthesise, PulseAudio plays, libsndfile and LAME write sound files,
# libsoxr converts rates.
pkg_check_modules(ESPEAK_NG REQUIRED IMPORTED_TARGET espeak-ng)
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(LAME REQUIRED IMPORTED_TARGET lame)
pkg_check_modules(SOXR REQUIRED IMPORTED_TARGET soxr)
# EBU R128 loudness and true peak, to bring every file to one loudness.
pkg_check_modules(EBUR128 REQUIRED IMPORTED_TARGET libebur128)
# Tags of MP3 and Opus files.
pkg_check_modules(TAGLIB REQUIRED IMPORTED_TARGET taglib)
# Flite ships no pkg-config file: its library, the US English language and lexicon, and the voices.
find_path(FLITE_INCLUDE_DIR flite/flite.h REQUIRED)
add_library(lexovox_flite INTERFACE)
target_include_directories(lexovox_flite INTERFACE ${FLITE_INCLUDE_DIR})
foreach(lib flite_cmu_us_kal16 flite_cmu_us_rms flite_cmu_us_slt flite_cmu_us_awb
            flite_usenglish flite_cmulex flite)
    find_library(FLITE_${lib}_LIBRARY NAMES ${lib} REQUIRED)
    target_link_libraries(lexovox_flite INTERFACE ${FLITE_${lib}_LIBRARY})
endforeach()

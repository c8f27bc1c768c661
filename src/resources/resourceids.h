#pragma once

// Numeric identifiers of the dialog templates, their controls, the string table and the
// about-box menu command. Other parts of the window name controls by these numbers.

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_WORDSPEECH_DIALOG = 102;
inline constexpr int IDD_HELP_DIALOG = 140;

// String table.
inline constexpr int IDS_ABOUTBOX = 101;
/// Where the voice-download link leads: how to add voices to the speech synthesiser.
inline constexpr int IDS_VOICE_DOWNLOAD = 102;

// The about entry's command; only the bits above the low four are compared.
inline constexpr unsigned IDM_ABOUTBOX = 0x0010;

// Controls shared by every dialog.
inline constexpr int IDOK = 1;
inline constexpr int IDC_STATIC = -1;

// Controls of the main window.
inline constexpr int IDC_COURSE_TREE = 1000;
inline constexpr int IDC_WORD_LIST = 1001;
inline constexpr int IDC_PROGRESS = 1002;
inline constexpr int IDC_CHECK_ALL = 1003;
inline constexpr int IDC_CHECK_NONE = 1004;
inline constexpr int IDC_INVERT_CHECKS = 1005;
inline constexpr int IDC_LOOKUP_ENGLISH_EDIT = 1006;
inline constexpr int IDC_LOOKUP_ENGLISH = 1007;
inline constexpr int IDC_LOOKUP_CHINESE_EDIT = 1008;
inline constexpr int IDC_LOOKUP_CHINESE = 1009;
inline constexpr int IDC_VOICE = 1010;
inline constexpr int IDC_FORMAT = 1011;
inline constexpr int IDC_OUTPUT_FOLDER = 1012;
inline constexpr int IDC_BROWSE = 1013;
inline constexpr int IDC_PREVIEW = 1014;
inline constexpr int IDC_GENERATE = 1015;
inline constexpr int IDC_HELP_BUTTON = 1025;
inline constexpr int IDC_SPELL_OUT = 1028;
inline constexpr int IDC_PREFIX = 1029;
inline constexpr int IDC_CHINESE_MEANING = 1030;
inline constexpr int IDC_DOWNLOAD_LINK = 1032;
inline constexpr int IDC_SKIP_EXISTING = 1033;
inline constexpr int IDC_OUTPUT_OPTIONS = 1034;
inline constexpr int IDC_NEW_OWN_LIST = 1035;

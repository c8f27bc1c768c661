#pragma once

#include <cstdint>

/// The program's one result-code type: the common 32-bit numbering, so a code means the same
/// thing wherever it is compared or shown. Negative is failure; S_FALSE is a success that did
/// nothing (an enumeration at its end).
using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;

inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);

/// Writing a file.
inline constexpr HRESULT STG_E_PATHNOTFOUND = static_cast<HRESULT>(0x80030003);
inline constexpr HRESULT STG_E_ACCESSDENIED = static_cast<HRESULT>(0x80030005);
inline constexpr HRESULT STG_E_WRITEFAULT = static_cast<HRESULT>(0x8003001D);
inline constexpr HRESULT STG_E_MEDIUMFULL = static_cast<HRESULT>(0x80030070);

/// Opening and reading a vocabulary.
namespace ResultCode {
inline constexpr HRESULT FileNotFound = static_cast<HRESULT>(0x80070002);
inline constexpr HRESULT AccessDenied = static_cast<HRESULT>(0x80070005);
inline constexpr HRESULT TypeMismatch = static_cast<HRESULT>(0x80020005);
inline constexpr HRESULT StatementFailed = static_cast<HRESULT>(0x80040E14);
inline constexpr HRESULT NoSuchTable = static_cast<HRESULT>(0x80040E37);
inline constexpr HRESULT NoSuchColumn = static_cast<HRESULT>(0x80040E10);
inline constexpr HRESULT WrongPassword = static_cast<HRESULT>(0x80040E4D);
inline constexpr HRESULT NotADatabase = static_cast<HRESULT>(0x80004E21);
inline constexpr HRESULT DamagedDatabase = static_cast<HRESULT>(0x80004E22);
inline constexpr HRESULT UnsupportedFormat = static_cast<HRESULT>(0x80004E23);

/// The speech platform's codes (speech/platform/result.h names them SPERR_…), numbered here so
/// that the message table, which lives below the platform, can give them words.
inline constexpr HRESULT SpeechUninitialized = static_cast<HRESULT>(0x80045001);
inline constexpr HRESULT SpeechUnsupportedFormat = static_cast<HRESULT>(0x80045003);
inline constexpr HRESULT SpeechAudioStopped = static_cast<HRESULT>(0x8004500B);
inline constexpr HRESULT SpeechEngineFailed = static_cast<HRESULT>(0x80045015);
inline constexpr HRESULT SpeechNoMoreItems = static_cast<HRESULT>(0x80045039);
inline constexpr HRESULT SpeechNotFound = static_cast<HRESULT>(0x8004503A);
inline constexpr HRESULT SpeechNoDevice = static_cast<HRESULT>(0x80045062);
/// A speech program outside the process failed a text (the subject is its voice and why).
inline constexpr HRESULT SpeechProgramFailed = static_cast<HRESULT>(0x8004E045);

/// The program's own codes, in a range of their own (0x8004Exxx) the common numbering leaves
/// free. A batch word that got no file:
inline constexpr HRESULT NameNotAllowed = static_cast<HRESULT>(0x8004E001);
inline constexpr HRESULT WorkerCrashed = static_cast<HRESULT>(0x8004E002);
inline constexpr HRESULT WorkerTimedOut = static_cast<HRESULT>(0x8004E003);
inline constexpr HRESULT WorkerUnavailable = static_cast<HRESULT>(0x8004E004);
inline constexpr HRESULT PlaylistNotWritten = static_cast<HRESULT>(0x8004E005);
inline constexpr HRESULT TagsNotWritten = static_cast<HRESULT>(0x8004E006);
inline constexpr HRESULT NameTooLong = static_cast<HRESULT>(0x8004E007);

/// Starting the speech engine, step by step.
inline constexpr HRESULT EngineNotStarted = static_cast<HRESULT>(0x8004E041);
inline constexpr HRESULT VoiceNotCreated = static_cast<HRESULT>(0x8004E042);
inline constexpr HRESULT EventsNotSet = static_cast<HRESULT>(0x8004E043);
inline constexpr HRESULT NotifyTargetNotSet = static_cast<HRESULT>(0x8004E044);

/// The sound server.
inline constexpr HRESULT SoundClientFailed = static_cast<HRESULT>(0x8004E011);
inline constexpr HRESULT SoundConnectionFailed = static_cast<HRESULT>(0x8004E012);
inline constexpr HRESULT SoundServerRefused = static_cast<HRESULT>(0x8004E013);

/// Why a line of the pronunciation list was skipped.
inline constexpr HRESULT PronunciationNoTab = static_cast<HRESULT>(0x8004E021);
inline constexpr HRESULT PronunciationNoHeadword = static_cast<HRESULT>(0x8004E022);
inline constexpr HRESULT PronunciationNothingToSay = static_cast<HRESULT>(0x8004E023);
inline constexpr HRESULT PronunciationUnclosedPhonemes = static_cast<HRESULT>(0x8004E024);
inline constexpr HRESULT PronunciationRepeated = static_cast<HRESULT>(0x8004E025);
inline constexpr HRESULT PronunciationNotUtf8 = static_cast<HRESULT>(0x8004E026);
inline constexpr HRESULT PronunciationTooLong = static_cast<HRESULT>(0x8004E027);
inline constexpr HRESULT PronunciationNotPinyin = static_cast<HRESULT>(0x8004E028);

/// A run that cannot start as described (the subject is the range or values allowed, or what is
/// wrong).
inline constexpr HRESULT JobNoFolder = static_cast<HRESULT>(0x8004E051);
inline constexpr HRESULT JobFolderMissing = static_cast<HRESULT>(0x8004E052);
inline constexpr HRESULT JobBadFormat = static_cast<HRESULT>(0x8004E053);
inline constexpr HRESULT JobBadProcesses = static_cast<HRESULT>(0x8004E054);
inline constexpr HRESULT JobBadBitRate = static_cast<HRESULT>(0x8004E055);
inline constexpr HRESULT JobBadRepeat = static_cast<HRESULT>(0x8004E056);
inline constexpr HRESULT JobBadPause = static_cast<HRESULT>(0x8004E057);
inline constexpr HRESULT JobBadSilence = static_cast<HRESULT>(0x8004E058);
inline constexpr HRESULT JobBadRate = static_cast<HRESULT>(0x8004E059);
inline constexpr HRESULT JobBadLoudness = static_cast<HRESULT>(0x8004E05A);
inline constexpr HRESULT JobNotADocument = static_cast<HRESULT>(0x8004E05B);
inline constexpr HRESULT JobNotReceived = static_cast<HRESULT>(0x8004E05C);
/// A command line that does not say what to do (the subject is the command's own words).
inline constexpr HRESULT CommandLineUsage = static_cast<HRESULT>(0x8004E05D);
inline constexpr HRESULT JobBadLessonPause = static_cast<HRESULT>(0x8004E060);
/// A dictation lesson's track that lacks a word (the subject names it and why).
inline constexpr HRESULT LessonWordMissing = static_cast<HRESULT>(0x8004E061);

/// A dictation lesson's printed sheet (the subject is its path and the system's reason).
inline constexpr HRESULT SheetNotWritten = static_cast<HRESULT>(0x8004E062);

/// The output folder is something else than a folder; one that could not be made (the subject
/// is its path and the system's reason).
inline constexpr HRESULT JobNotAFolder = static_cast<HRESULT>(0x8004E063);
inline constexpr HRESULT JobFolderNotMade = static_cast<HRESULT>(0x8004E064);
/// The voice chosen to say the Chinese is no Chinese voice installed (the subject is its id).
inline constexpr HRESULT JobBadChineseVoice = static_cast<HRESULT>(0x8004E065);

/// Importing a word list or an old vocabulary.
inline constexpr HRESULT ImportTargetExists = static_cast<HRESULT>(0x8004E031);
inline constexpr HRESULT ImportSourceUnreadable = static_cast<HRESULT>(0x8004E032);
inline constexpr HRESULT ImportFolderUnwritable = static_cast<HRESULT>(0x8004E033);
inline constexpr HRESULT ImportTargetNotReplaced = static_cast<HRESULT>(0x8004E034);
inline constexpr HRESULT ImportMalformed = static_cast<HRESULT>(0x8004E035);
inline constexpr HRESULT ImportNotWritten = static_cast<HRESULT>(0x8004E036);
inline constexpr HRESULT ImportTargetIsFolder = static_cast<HRESULT>(0x8004E037);
inline constexpr HRESULT ImportInterrupted = static_cast<HRESULT>(0x8004E038);
/// The user's own word lists (the subject is the list's name, or the lists file's path).
inline constexpr HRESULT OwnListExists = static_cast<HRESULT>(0x8004E071);
inline constexpr HRESULT OwnListMissing = static_cast<HRESULT>(0x8004E072);
inline constexpr HRESULT OwnListEmpty = static_cast<HRESULT>(0x8004E073);
inline constexpr HRESULT OwnListNameEmpty = static_cast<HRESULT>(0x8004E074);
inline constexpr HRESULT OwnListNameBadCharacter = static_cast<HRESULT>(0x8004E075);
inline constexpr HRESULT OwnListNameTooLong = static_cast<HRESULT>(0x8004E076);
inline constexpr HRESULT OwnListNameIsCourse = static_cast<HRESULT>(0x8004E077);
inline constexpr HRESULT OwnListsReadOnly = static_cast<HRESULT>(0x8004E078);
inline constexpr HRESULT OwnListsBusy = static_cast<HRESULT>(0x8004E079);
inline constexpr HRESULT OwnListsDamaged = static_cast<HRESULT>(0x8004E07A);
inline constexpr HRESULT OwnListsNotSaved = static_cast<HRESULT>(0x8004E07B);
inline constexpr HRESULT OwnListsNotOpened = static_cast<HRESULT>(0x8004E07C);
/// A file of words that is no text, table or spreadsheet (the subject is its path).
inline constexpr HRESULT ListNotText = static_cast<HRESULT>(0x8004E07D);
} // namespace ResultCode

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

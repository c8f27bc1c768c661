#pragma once

#include <initializer_list>

#include <QString>

class CWordSpeechDlg;

/// The vocabulary's word table, for test vocabularies made from SQL.
inline constexpr char kWordTable[] = "CREATE TABLE word (en TEXT, ch TEXT, subclass TEXT)";

/// Makes the SQLite file `path` by running each of `statements` in turn.
void WriteSqlVocabulary(const QString& path, std::initializer_list<const char*> statements);

/// Puts the Pico stand-in (tests/speech/engines/fake-pico2wave) in `configHome`'s engines
/// folder as the user's own description of Pico, the shipped one with its program replaced:
/// voices without a speaking rate of their own.
void InstallPicoStandIn(const QString& configHome);

/// Chooses in the window's voice list the first voice whose description starts with
/// `description`, as the user does; false when there is none.
bool ChooseVoice(CWordSpeechDlg& dlg, const QString& description);

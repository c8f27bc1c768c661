#pragma once

#include <memory>

#include <QStringList>

class WordStore;

/// The application object: opens the one vocabulary connection, runs the main window modally
/// and closes the connection when the window has ended.
class CWordSpeechApp
{
public:
    /// `arguments` as the program got them (the first is the program's name); a
    /// `--vocabulary FILE` among them names the only vocabulary file tried.
    explicit CWordSpeechApp(QStringList arguments = {});
    ~CWordSpeechApp();
    CWordSpeechApp(const CWordSpeechApp&) = delete;
    CWordSpeechApp& operator=(const CWordSpeechApp&) = delete;

    /// Finds and opens the vocabulary (FindVocabulary's order) and runs the main window; when
    /// none is found or it will not open, shows the one failure box instead, naming where it
    /// looked, and never shows the window. Always false: there is no loop after it.
    bool InitInstance();
    /// Closes an open connection and drops it; returns the process exit code.
    int ExitInstance();

    /// The connection the word statements run on; null when none could be made.
    WordStore* Connection() const { return m_pConnection.get(); }

private:
    QStringList m_arguments;
    std::unique_ptr<WordStore> m_pConnection;
};

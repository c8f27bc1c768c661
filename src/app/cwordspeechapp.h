#pragma once

#include <memory>

class WordStore;

/// The application object: opens the one vocabulary connection, runs the main window modally
/// and closes the connection when the window has ended.
class CWordSpeechApp
{
public:
    CWordSpeechApp();
    ~CWordSpeechApp();
    CWordSpeechApp(const CWordSpeechApp&) = delete;
    CWordSpeechApp& operator=(const CWordSpeechApp&) = delete;

    /// Opens the vocabulary and runs the main window; on a connection failure shows the one
    /// failure box instead and never shows the window. Always false: there is no loop after it.
    bool InitInstance();
    /// Closes an open connection and drops it; returns the process exit code.
    int ExitInstance();

    /// The connection the word statements run on; null when none could be made.
    WordStore* Connection() const { return m_pConnection.get(); }

private:
    std::unique_ptr<WordStore> m_pConnection;
};

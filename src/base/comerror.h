#pragma once

#include <exception>

#include <QString>
#include <tl/expected.hpp>

#include "base/result.h"
#include "base/uilanguage.h"

/// The message text for a result code from the program's one message table, in the user's
/// interface language (Chinese under a Chinese locale, English otherwise), else "IDispatch
/// error #n" for the dispatch range and "Unknown error 0x…" for anything else. `subject` fills
/// a "%1" in the message (a file's full path, a statement's engine message) and is ignored
/// otherwise.
QString ComErrorText(HRESULT code, const QString& subject = {});
/// The same in a given language: the closing message of a run is Chinese whatever the locale.
QString ComErrorText(HRESULT code, const QString& subject, bool chinese);
/// Whether the table has a message of its own for `code`.
bool HasComErrorText(HRESULT code);

/// A failure: a 32-bit result code, what it concerns and the text a user reads.
class ComError : public std::exception
{
public:
    explicit ComError(HRESULT code, QString subject = {});
    /// A failure whose text was written where it happened (an import's line and reason).
    static ComError Described(HRESULT code, QString message);

    HRESULT Error() const noexcept { return m_code; }
    const QString& Subject() const noexcept { return m_subject; }
    /// The message text, built on first use and then kept with the error.
    const QString& ErrorMessage() const;
    const char* what() const noexcept override;

private:
    HRESULT m_code;
    QString m_subject;
    mutable QString m_message;
    mutable QByteArray m_what;
};

/// What a call the window or a command makes returns: its value, or the failure with its text.
template <class T>
using Result = tl::expected<T, ComError>;

/// The failure side of a Result, for `return Fail(...)`.
inline tl::unexpected<ComError> Fail(ComError error)
{
    return tl::unexpected<ComError>(std::move(error));
}

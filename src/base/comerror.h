#pragma once

#include <exception>
#include <span>

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
/// Marked nodiscard: a failure dropped on the floor is a warning, not a silent loss.
template <class T>
class [[nodiscard]] Result : public tl::expected<T, ComError>
{
public:
    using tl::expected<T, ComError>::expected;
    /// A result built by tl::expected's own operations (map, map_error …).
    Result(tl::expected<T, ComError> other)
        : tl::expected<T, ComError>(std::move(other))
    {
    }
};

/// The failure side of a Result, for `return Fail(...)`.
inline tl::unexpected<ComError> Fail(ComError error)
{
    return tl::unexpected<ComError>(std::move(error));
}

/// Every code the table has words for, in table order.
std::span<const HRESULT> AllResultCodes();

/// What a failed write or close of a file means to the user, from its errno: the disk (or the
/// user's quota, or the largest file the system allows) is full, the file may not be written,
/// or it could not be written for another reason. `unknown` when errno was not set (a library
/// that failed without a system call failing).
HRESULT FileWriteError(int errnum, HRESULT unknown = STG_E_WRITEFAULT);
/// Makes a write past the process's file size limit fail with EFBIG, reported as a full disk,
/// instead of ending the process with SIGXFSZ. Called at the start of every program that writes
/// files.
void FailWritesPastSizeLimit();

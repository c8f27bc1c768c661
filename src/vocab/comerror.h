#pragma once

#include <cstdint>
#include <exception>

#include <QString>

using HRESULT = std::int32_t;

/// Result codes the vocabulary layer raises, in the common 32-bit result-code numbering for
/// the same faults, so a code means the same thing wherever it is shown.
namespace ResultCode {
inline constexpr HRESULT FileNotFound = static_cast<HRESULT>(0x80070002);
inline constexpr HRESULT AccessDenied = static_cast<HRESULT>(0x80070005);
inline constexpr HRESULT InvalidPointer = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT Unspecified = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT TypeMismatch = static_cast<HRESULT>(0x80020005);
inline constexpr HRESULT StatementFailed = static_cast<HRESULT>(0x80040E14);
inline constexpr HRESULT NoSuchTable = static_cast<HRESULT>(0x80040E37);
inline constexpr HRESULT NoSuchColumn = static_cast<HRESULT>(0x80040E10);
inline constexpr HRESULT WrongPassword = static_cast<HRESULT>(0x80040E4D);
inline constexpr HRESULT NotADatabase = static_cast<HRESULT>(0x80004E21);
inline constexpr HRESULT DamagedDatabase = static_cast<HRESULT>(0x80004E22);
inline constexpr HRESULT UnsupportedFormat = static_cast<HRESULT>(0x80004E23);
} // namespace ResultCode

/// The message text for a result code: the program's own message for the codes it raises
/// (Chinese under a Chinese locale, English otherwise), else "IDispatch error #n" for the
/// dispatch range and "Unknown error 0x…" for anything else. `subject` fills a "%1" in the
/// message (a file's full path, a statement's engine message) and is ignored otherwise.
QString ComErrorText(HRESULT code, const QString& subject = {});

/// A failure of the vocabulary layer: a 32-bit result code and what it concerns.
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

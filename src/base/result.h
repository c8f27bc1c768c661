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
} // namespace ResultCode

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

#pragma once

#include <cstdint>

using HRESULT = std::int32_t;

/// Result codes of the speech layer, in the common 32-bit result-code numbering, so a code
/// means the same wherever it is compared or shown.
/// Negative is failure; S_FALSE is a success that did nothing (an enumeration at its end).
namespace speech {

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;

inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);

inline constexpr HRESULT SPERR_UNINITIALIZED = static_cast<HRESULT>(0x80045001);
inline constexpr HRESULT SPERR_UNSUPPORTED_FORMAT = static_cast<HRESULT>(0x80045003);
inline constexpr HRESULT SPERR_AUDIO_STOPPED = static_cast<HRESULT>(0x8004500B);
inline constexpr HRESULT SPERR_NO_MORE_ITEMS = static_cast<HRESULT>(0x80045039);
inline constexpr HRESULT SPERR_NOT_FOUND = static_cast<HRESULT>(0x8004503A);
inline constexpr HRESULT SPERR_TTS_ENGINE_EXCEPTION = static_cast<HRESULT>(0x80045015);
inline constexpr HRESULT SPERR_DEVICE_NOT_FOUND = static_cast<HRESULT>(0x80045062);

inline constexpr HRESULT STG_E_PATHNOTFOUND = static_cast<HRESULT>(0x80030003);
inline constexpr HRESULT STG_E_ACCESSDENIED = static_cast<HRESULT>(0x80030005);
inline constexpr HRESULT STG_E_WRITEFAULT = static_cast<HRESULT>(0x8003001D);
inline constexpr HRESULT STG_E_MEDIUMFULL = static_cast<HRESULT>(0x80030070);

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

} // namespace speech

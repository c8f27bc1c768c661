#pragma once

#include "base/result.h"

/// The speech platform's own result codes, beside the program's common ones, which it names
/// in its namespace too.
namespace speech {

using ::E_ABORT;
using ::E_FAIL;
using ::E_INVALIDARG;
using ::E_NOTIMPL;
using ::E_OUTOFMEMORY;
using ::E_POINTER;
using ::E_UNEXPECTED;
using ::Failed;
using ::S_FALSE;
using ::S_OK;
using ::STG_E_ACCESSDENIED;
using ::STG_E_MEDIUMFULL;
using ::STG_E_PATHNOTFOUND;
using ::STG_E_WRITEFAULT;
using ::Succeeded;

inline constexpr HRESULT SPERR_UNINITIALIZED = static_cast<HRESULT>(0x80045001);
inline constexpr HRESULT SPERR_UNSUPPORTED_FORMAT = static_cast<HRESULT>(0x80045003);
inline constexpr HRESULT SPERR_AUDIO_STOPPED = static_cast<HRESULT>(0x8004500B);
inline constexpr HRESULT SPERR_NO_MORE_ITEMS = static_cast<HRESULT>(0x80045039);
inline constexpr HRESULT SPERR_NOT_FOUND = static_cast<HRESULT>(0x8004503A);
inline constexpr HRESULT SPERR_TTS_ENGINE_EXCEPTION = static_cast<HRESULT>(0x80045015);
inline constexpr HRESULT SPERR_DEVICE_NOT_FOUND = static_cast<HRESULT>(0x80045062);

} // namespace speech

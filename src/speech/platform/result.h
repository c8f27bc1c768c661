#pragma once

#include "base/result.h"

/// The speech platform's own result codes under their platform names (numbered in
/// base/result.h, where the message table gives them words), beside the program's common ones,
/// which it names in its namespace too.
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

inline constexpr HRESULT SPERR_UNINITIALIZED = ResultCode::SpeechUninitialized;
inline constexpr HRESULT SPERR_UNSUPPORTED_FORMAT = ResultCode::SpeechUnsupportedFormat;
inline constexpr HRESULT SPERR_AUDIO_STOPPED = ResultCode::SpeechAudioStopped;
inline constexpr HRESULT SPERR_NO_MORE_ITEMS = ResultCode::SpeechNoMoreItems;
inline constexpr HRESULT SPERR_NOT_FOUND = ResultCode::SpeechNotFound;
inline constexpr HRESULT SPERR_TTS_ENGINE_EXCEPTION = ResultCode::SpeechEngineFailed;
inline constexpr HRESULT SPERR_DEVICE_NOT_FOUND = ResultCode::SpeechNoDevice;
inline constexpr HRESULT SPERR_ENGINE_PROGRAM = ResultCode::SpeechProgramFailed;

} // namespace speech

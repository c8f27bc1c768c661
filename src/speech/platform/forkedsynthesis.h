#pragma once

#include <functional>
#include <string>

#include "speech/platform/synthesiser.h"

namespace speech {

/// What runs in the child: speaks into the receiver it is given and may leave a text (a phoneme
/// trace) in `text`.
using ChildSynthesis = std::function<HRESULT(SoundReceiver& receiver, std::string& text)>;

/// Runs `synthesise` in a child process forked from the calling thread, so that whatever state
/// it changes in a library stays in the child: every call starts from the state this process
/// has. The sound and events it gives reach `receiver` here piece by piece; its text lands in
/// `text` when not null. Returns what `synthesise` returned, S_OK when `receiver` stopped it
/// (the child is then killed), or SPERR_TTS_ENGINE_EXCEPTION when the child died or could not
/// be started. The child runs only the caller's thread and ends with _exit: `synthesise` must
/// not need other threads, locks they may hold, or Qt.
HRESULT SynthesiseInChild(const ChildSynthesis& synthesise, SoundReceiver& receiver,
                          std::string* text = nullptr);

} // namespace speech

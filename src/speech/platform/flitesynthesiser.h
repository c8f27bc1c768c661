#pragma once

#include <memory>
#include <vector>

#include "speech/platform/soundcache.h"
#include "speech/platform/synthesiser.h"

namespace speech {

/// Synthesis by the Flite library with its US English voices (kal16, rms, slt, awb), named
/// "flite/kal16" … in SpeechStep::voice. Flite pads each text with about 0.2 s of silence at
/// both ends; that is cut to a few milliseconds, so a Flite step joins the next one as a reader
/// would say it. Spelled steps say each character's name, letter by letter: each letter, like
/// every short recurring piece, is synthesised once per voice and then reused (SoundCache).
/// Calls are serialised: the voices are shared by the whole process.
class FliteSynthesiser final : public Synthesiser
{
public:
    /// Registers the voices the first time. Fails when Flite cannot be started.
    static HRESULT Create(std::shared_ptr<FliteSynthesiser>& synthesiser);
    ~FliteSynthesiser() override;

    std::uint32_t SampleRate() const override;
    /// SPERR_NOT_FOUND for a voice that is not one of Flite's.
    HRESULT Speak(const SpeechStep& step, SoundReceiver& receiver) override;
    std::vector<SynthesiserVoice> Voices() const override;

    /// The phones Flite says for `step`, space-separated, pauses as "pau": "pau ae p ax l pau".
    HRESULT Phones(const SpeechStep& step, QString& phones);

    /// True for the voice names this synthesiser speaks ("flite/…").
    static bool IsFliteVoice(const QByteArray& voice);

    /// The process's kept pieces (see SoundCache), shared by every instance.
    static SoundCache::Counts CacheCounts();
    static void ClearCache();

private:
    FliteSynthesiser() = default;
};

} // namespace speech

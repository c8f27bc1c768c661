#include "speech/platform/combinedsynthesiser.h"

namespace speech {
namespace {

// Hands a part's sound on at the combined rate.
class Converting final : public SoundReceiver
{
public:
    Converting(SoundReceiver& target, SoundConverter& converter)
        : m_target(target)
        , m_converter(converter)
    {
    }

    bool Receive(std::span<const std::int16_t> samples,
                 std::span<const SynthesisEvent> events) override
    {
        const std::span<const std::int16_t> converted = m_converter.Convert(samples);
        m_going = m_target.Receive(converted, events);
        return m_going;
    }

    void Finish()
    {
        if (!m_going)
            return;
        if (const std::span<const std::int16_t> tail = m_converter.Flush(); !tail.empty())
            m_target.Receive(tail, {});
    }

private:
    SoundReceiver& m_target;
    SoundConverter& m_converter;
    bool m_going = true;
};

} // namespace

CombinedSynthesiser::CombinedSynthesiser(std::vector<Part> parts)
    : m_parts(std::move(parts))
{
}

CombinedSynthesiser::~CombinedSynthesiser() = default;

std::uint32_t CombinedSynthesiser::SampleRate() const
{
    return m_parts.front().synthesiser->SampleRate();
}

Synthesiser& CombinedSynthesiser::PartFor(const QByteArray& voice) const
{
    for (std::size_t i = 1; i < m_parts.size(); ++i) {
        if (m_parts[i].speaks && m_parts[i].speaks(voice))
            return *m_parts[i].synthesiser;
    }
    return *m_parts.front().synthesiser;
}

HRESULT CombinedSynthesiser::Speak(const SpeechStep& step, SoundReceiver& receiver)
{
    Synthesiser& part = PartFor(step.voice);
    if (part.SampleRate() == SampleRate())
        return part.Speak(step, receiver);
    // One converter, kept for its filter: a part that needs converting serialises its calls
    // anyway, so holding it for the call costs no concurrency.
    std::lock_guard lock(m_converterMutex);
    SoundConverter& converter = m_converter;
    if (const HRESULT hr = converter.Reset(part.SampleRate(), WaveFormat::Pcm(SampleRate(), 16, 1));
        Failed(hr))
        return hr;
    Converting converting(receiver, converter);
    const HRESULT hr = part.Speak(step, converting);
    if (Succeeded(hr))
        converting.Finish();
    return hr;
}

std::vector<SynthesiserVoice> CombinedSynthesiser::Voices() const
{
    std::vector<SynthesiserVoice> voices;
    for (const Part& part : m_parts) {
        const std::vector<SynthesiserVoice> own = part.synthesiser->Voices();
        voices.insert(voices.end(), own.begin(), own.end());
    }
    return voices;
}

} // namespace speech

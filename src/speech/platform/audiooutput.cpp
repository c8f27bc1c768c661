#include "speech/platform/audiooutput.h"

#include <atomic>
#include <cstring>

#include <QtGlobal>

#include "speech/platform/soundsink.h"

namespace speech {
namespace {

void WarnNoDeviceOnce(const QString& reason)
{
    static std::atomic<bool> warned = false;
    if (!warned.exchange(true)) {
        qWarning("No sound output (%s): speech is not heard, WAV files are still written.",
                 qUtf8Printable(reason));
    }
}

} // namespace

AudioOutput::AudioOutput(std::unique_ptr<SoundSink> sink)
    : m_format(DefaultWaveFormat())
    , m_sink(std::move(sink))
{
}

AudioOutput::~AudioOutput()
{
    if (m_open)
        m_sink->Close();
}

HRESULT AudioOutput::GetFormat(FormatId& id, WaveFormat& format) const
{
    std::lock_guard lock(m_formatMutex);
    id = FormatId::WaveFormatEx;
    format = m_format;
    return S_OK;
}

HRESULT AudioOutput::SetFormat(FormatId id, const WaveFormat& format)
{
    if (id != FormatId::WaveFormatEx || !format.IsSupportedPcm())
        return SPERR_UNSUPPORTED_FORMAT;
    std::lock_guard lock(m_formatMutex);
    m_format = format;
    return S_OK;
}

HRESULT AudioOutput::BeginWriting()
{
    {
        std::lock_guard lock(m_formatMutex);
        m_writingFormat = m_format;
    }
    if (m_open)
        m_sink->Close();
    const Result<void> opened = m_sink ? m_sink->Open(m_writingFormat) : Fail(ComError(SPERR_DEVICE_NOT_FOUND));
    m_open = opened.has_value();
    if (!m_open)
        WarnNoDeviceOnce(opened.error().ErrorMessage());
    return S_OK;
}

HRESULT AudioOutput::Write(std::span<const std::int16_t> samples)
{
    if (!m_open)
        return S_OK;
    if (m_writingFormat.bitsPerSample == 16)
        return m_sink->Write(std::as_bytes(samples));
    // 8-bit PCM is unsigned: the high byte moved to a midpoint of 128.
    m_narrow.resize(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        m_narrow[i] = static_cast<std::byte>((samples[i] >> 8) + 128);
    return m_sink->Write(m_narrow);
}

HRESULT AudioOutput::EndWriting()
{
    if (!m_open)
        return S_OK;
    const HRESULT hr = m_sink->Drain();
    m_sink->Close();
    m_open = false;
    return hr;
}

void AudioOutput::Discard()
{
    if (m_sink)
        m_sink->Discard();
}

} // namespace speech

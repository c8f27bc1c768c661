#include "speech/speechengine.h"

#include <optional>
#include <utility>

#include "speech/audioformattable.h"
#include "speech/platform/streamformat.h"
#include "speech/platform/audiooutput.h"
#include "speech/platform/enginesynthesiser.h"
#include "speech/platform/espeaksynthesiser.h"
#include "speech/platform/filestream.h"
#include "speech/platform/objecttoken.h"
#include "speech/platform/platform.h"
#include "speech/platform/voice.h"
#include "speech/synthesiscalls.h"
#include "speech/voicecatalogue.h"

using namespace speech;

SpeechEngine::SpeechEngine(std::shared_ptr<Platform> platform)
    : m_platform(platform ? std::move(platform) : std::make_shared<Platform>())
{
}

SpeechEngine::~SpeechEngine()
{
    Shutdown();
}

void SpeechEngine::MakeEspeakRepeatable(bool wholeTexts)
{
    EspeakSynthesiser::SetIsolation(wholeTexts ? EspeakSynthesiser::Isolation::Texts : EspeakSynthesiser::Isolation::Pieces);
}

QString SpeechEngine::TakeProgramFailure()
{
    return EngineSynthesiser::TakeFailure();
}

Result<void> SpeechEngine::Initialize(QObject* notifyTarget)
{
    // Each step has its own code, so the user reads which step failed. After a failure the
    // engine lets go of everything: it then refuses to speak rather than speak with a half-made
    // voice.
    const auto fail = [this](HRESULT step) -> Result<void> {
        const ComError error(step);
        m_errorText = error.ErrorMessage();
        Shutdown();
        return Fail(error);
    };
    if (Failed(m_platform->Start()))
        return fail(ResultCode::EngineNotStarted);
    m_started = true;
    if (const HRESULT hr = m_platform->CreateVoice(m_voice); Failed(hr) || !m_voice)
        return fail(ResultCode::VoiceNotCreated);
    if (Failed(m_voice->SetInterest(kEventInterest, kEventInterest)))
        return fail(ResultCode::EventsNotSet);
    if (notifyTarget && Failed(m_voice->SetNotifyTarget(notifyTarget, kNotifyMessage)))
        return fail(ResultCode::NotifyTargetNotSet);

    // The default audio output; without one, format changes have nothing to act on.
    std::unique_ptr<TokenCategory> category;
    QString tokenId;
    TokenPtr token;
    if (Succeeded(m_platform->CreateTokenCategory(category))
        && Succeeded(category->SetId(kAudioOutputCategoryId, true))
        && Succeeded(category->GetDefaultTokenId(tokenId))
        && Succeeded(m_platform->CreateToken(tokenId, token))) {
        std::shared_ptr<AudioOutput> audio;
        if (Succeeded(token->CreateInstance(audio)))
            m_audioOutput = std::move(audio);
    }
    return {};
}

QString SpeechEngine::GetErrorText() const
{
    return m_errorText;
}

void SpeechEngine::Shutdown()
{
    m_voice.reset();
    m_audioOutput.reset();
    if (m_started) {
        m_platform->Stop();
        m_started = false;
    }
}

HRESULT SpeechEngine::SpeakText(const QString& text, std::uint32_t flags)
{
    if (!m_voice)
        return SPERR_UNINITIALIZED;
    m_voice->Speak(QString(), Voice::kPurgeBeforeSpeak);
    return m_voice->Speak(text, flags);
}

HRESULT SpeechEngine::SpeakToFile(const QString& text, std::uint32_t flags, const QString& path)
{
    return SpeakToFile(text, flags, path, FileEncoding());
}

HRESULT SpeechEngine::SpeakToFile(const QString& text, std::uint32_t flags, const QString& path,
                                  const FileEncoding& encoding, FileFinisher finisher)
{
    if (!m_voice)
        return SPERR_UNINITIALIZED;

    std::shared_ptr<OutputStream> previous;
    HRESULT hr = m_voice->GetOutputStream(previous) == S_OK ? S_OK : E_FAIL;
    if (hr != S_OK)
        previous.reset();
    FormatId formatId = FormatId::Null;
    WaveFormat format;
    if (Succeeded(hr))
        hr = previous->GetFormat(formatId, format);
    std::shared_ptr<FileStream> stream;
    if (Succeeded(hr))
        hr = m_platform->CreateFileStream(stream);
    if (Succeeded(hr))
        hr = stream->BindToFile(path, FileMode::CreateAlways, formatId, format, kFileEventMask, encoding);
    if (Succeeded(hr))
        stream->SetFinisher(std::move(finisher));
    if (Succeeded(hr))
        hr = m_voice->SetOutput(stream, true);
    std::uint32_t streamNumber = 0;
    if (Succeeded(hr))
        hr = m_voice->Speak(text, flags, &streamNumber);

    m_voice->WaitUntilDone(Voice::kInfinite);
    if (Succeeded(hr)) {
        // Only a word rendered to its end goes under the file's name (an empty text makes an
        // empty WAV). A stream cut short or failing refuses Commit as well.
        Voice::Status status;
        m_voice->GetStatus(status);
        hr = streamNumber != 0 && status.lastStreamDone == streamNumber && Failed(status.lastResult)
            ? status.lastResult
            : stream->Commit();
    }
    stream.reset();  // uncommitted, the stream removes its temporary file once the voice lets go
    m_voice->SetOutput(previous, false);
    return hr;
}

HRESULT SpeechEngine::SelectVoiceFromList(const TokenList* list)
{
    if (!m_voice)
        return SPERR_UNINITIALIZED;
    const TokenPtr chosen = list ? list->GetSelectedToken() : nullptr;
    TokenPtr current;
    HRESULT hr = m_voice->GetVoice(current);
    if (Failed(hr))
        return hr;
    // Identity: each enumeration makes new token objects, so the first pick of any entry switches.
    if (current == chosen)
        return hr;
    hr = m_voice->Speak(QString(), Voice::kPurgeBeforeSpeak);
    if (Succeeded(hr))
        hr = m_voice->SetVoice(chosen);
    return hr;
}

Result<void> SpeechEngine::SelectVoiceById(const QString& tokenId)
{
    if (!m_voice)
        return Fail(ComError(SPERR_UNINITIALIZED));
    TokenPtr token;
    if (!tokenId.isEmpty()) {
        if (const HRESULT hr = m_platform->CreateToken(tokenId, token); Failed(hr) || !token)
            return Fail(ComError(SPERR_NOT_FOUND, tokenId));
    }
    if (const HRESULT hr = m_voice->SetVoice(token); Failed(hr))
        return Fail(ComError(hr, tokenId));
    return {};
}

Result<void> SpeechEngine::SelectChineseVoice(const QString& tokenId)
{
    if (!m_voice)
        return Fail(ComError(SPERR_UNINITIALIZED));
    QByteArray chinese;
    if (!tokenId.isEmpty()) {
        TokenPtr token;
        if (const HRESULT hr = m_platform->CreateToken(tokenId, token); Succeeded(hr) && token)
            chinese = ChineseEngineVoice(*token);
        if (chinese.isEmpty())
            return Fail(ComError(ResultCode::JobBadChineseVoice, tokenId));
    }
    m_voice->SetChineseVoice(chinese);
    return {};
}

QString SpeechEngine::GetVoiceId() const
{
    TokenPtr current;
    if (!m_voice || Failed(m_voice->GetVoice(current)) || !current)
        return QString();
    return current->GetId();
}

bool SpeechEngine::VoiceReadsPhonemes() const
{
    speech::TokenPtr token;
    return m_voice && Succeeded(m_voice->GetVoice(token)) && token && speech::ReadsPhonemes(*token);
}

QString SpeechEngine::RateNotice(int englishRate) const
{
    speech::TokenPtr token;
    return m_voice && Succeeded(m_voice->GetVoice(token)) ? ::RateNotice(token.get(), englishRate, true) : QString();
}

int SpeechEngine::GetOutputFormatIndex() const
{
    std::shared_ptr<OutputStream> output;
    if (!m_voice || m_voice->GetOutputStream(output) != S_OK)
        return kUnreadableFormatEntry;
    FormatId id = FormatId::Null;
    WaveFormat format;
    if (Failed(output->GetFormat(id, format)))
        return kUnreadableFormatEntry;
    return AudioFormatEntryOf(WaveFormatToStreamFormat(id, format));
}

Result<void> SpeechEngine::SetSpeakingRates(int english, int chinese)
{
    if (!m_voice)
        return Fail(ComError(SPERR_UNINITIALIZED));
    if (const HRESULT hr = m_voice->SetRates(english, chinese); Failed(hr))
        return Fail(ComError(hr));
    return {};
}

HRESULT SpeechEngine::SetOutputFormat(int code)
{
    FormatId id = FormatId::Null;
    std::optional<WaveFormat> format;
    StreamFormatToWaveFormat(code, id, format);
    if (!m_audioOutput || !m_voice)
        return E_FAIL;
    HRESULT hr = m_audioOutput->SetFormat(id, format.value_or(WaveFormat()));
    if (Succeeded(hr))
        hr = m_voice->SetOutput(m_audioOutput, false);
    return hr;
}

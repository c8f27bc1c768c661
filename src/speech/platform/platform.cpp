#include "speech/platform/platform.h"

#include <vector>

#include "speech/platform/audiooutput.h"
#include "speech/platform/espeaksynthesiser.h"
#include "speech/platform/filestream.h"
#include "speech/platform/soundsink.h"
#include "speech/platform/voice.h"

namespace speech {
namespace {

QString TokenId(QStringView categoryId, QStringView name)
{
    return categoryId.toString() + QStringLiteral("\\Tokens\\") + name.toString();
}

QString BilingualUsId()
{
    return TokenId(kVoicesCategoryId, u"LexovoxBilingualUS");
}

// Mandarin for Han runs through the one espeak-ng voice that has its phonemes, English for
// the rest: no single espeak-ng voice reads both.
std::vector<ObjectToken> BilingualVoices()
{
    const QString chinese = QStringLiteral("cmn-latn-pinyin");
    std::vector<ObjectToken> tokens;
    tokens.emplace_back(
        BilingualUsId(),
        ObjectToken::Values{
            {QString(), QStringLiteral("Bilingual Mandarin and American English")},
            {QStringLiteral("409"), QStringLiteral("Bilingual Mandarin and American English")},
            {QStringLiteral("804"), QStringLiteral("中英双语（普通话、美式英语）")},
            {QStringLiteral("HanVoice"), chinese},
            {QStringLiteral("LatinVoice"), QStringLiteral("en-us")},
        },
        ObjectToken::Values{
            {QStringLiteral("Language"), QStringLiteral("804;409")},
            {QStringLiteral("Gender"), QStringLiteral("Male")},
            {QStringLiteral("Vendor"), QStringLiteral("Lexovox")},
        });
    tokens.emplace_back(
        TokenId(kVoicesCategoryId, u"LexovoxBilingualGB"),
        ObjectToken::Values{
            {QString(), QStringLiteral("Bilingual Mandarin and British English")},
            {QStringLiteral("409"), QStringLiteral("Bilingual Mandarin and British English")},
            {QStringLiteral("804"), QStringLiteral("中英双语（普通话、英式英语）")},
            {QStringLiteral("HanVoice"), chinese},
            {QStringLiteral("LatinVoice"), QStringLiteral("en-gb-x-rp")},
        },
        ObjectToken::Values{
            {QStringLiteral("Language"), QStringLiteral("804;809")},
            {QStringLiteral("Gender"), QStringLiteral("Male")},
            {QStringLiteral("Vendor"), QStringLiteral("Lexovox")},
        });
    return tokens;
}

} // namespace

Platform::Platform()
    : m_tokens(std::make_shared<TokenStore>())
{
}

Platform::~Platform() = default;

HRESULT Platform::Start()
{
    std::lock_guard lock(m_mutex);
    if (m_starts == 0) {
        std::shared_ptr<Synthesiser> synthesiser;
        if (const HRESULT hr = CreateSynthesiser(synthesiser); Failed(hr))
            return hr;
        FillTokenStore(*synthesiser);
        m_synthesiser = std::move(synthesiser);
    }
    ++m_starts;
    return S_OK;
}

void Platform::Stop()
{
    std::lock_guard lock(m_mutex);
    if (m_starts > 0 && --m_starts == 0)
        m_synthesiser.reset();  // voices still speaking keep their own reference
}

bool Platform::IsStarted() const
{
    std::lock_guard lock(m_mutex);
    return m_starts > 0;
}

HRESULT Platform::GetVoiceParts(VoiceParts& parts)
{
    parts = {};
    parts.synthesiser = GetSynthesiser();
    if (!parts.synthesiser)
        return SPERR_UNINITIALIZED;
    std::shared_ptr<AudioOutput> audio;
    if (const HRESULT hr = CreateAudioOutput(audio); Failed(hr))
        return hr;
    parts.defaultOutput = std::move(audio);
    return CreateToken(BilingualUsId(), parts.defaultToken);
}

HRESULT Platform::CreateVoice(std::unique_ptr<Voice>& voice)
{
    voice.reset();
    VoiceParts parts;
    if (const HRESULT hr = GetVoiceParts(parts); Failed(hr))
        return hr;
    voice = std::make_unique<Voice>(std::move(parts));
    return S_OK;
}

HRESULT Platform::CreateAudioOutput(std::shared_ptr<AudioOutput>& audio)
{
    audio = std::make_shared<AudioOutput>(CreateSoundSink());
    return S_OK;
}

HRESULT Platform::CreateFileStream(std::shared_ptr<FileStream>& stream)
{
    stream = std::make_shared<FileStream>();
    return S_OK;
}

HRESULT Platform::CreateTokenCategory(std::unique_ptr<TokenCategory>& category) const
{
    category = std::make_unique<TokenCategory>(m_tokens);
    return S_OK;
}

HRESULT Platform::CreateToken(QStringView tokenId, TokenPtr& token) const
{
    token = m_tokens->Find(tokenId);
    return token ? S_OK : SPERR_NOT_FOUND;
}

std::shared_ptr<Synthesiser> Platform::GetSynthesiser() const
{
    std::lock_guard lock(m_mutex);
    return m_synthesiser;
}

std::unique_ptr<SoundSink> Platform::CreateSoundSink()
{
    return CreatePulseSink();
}

HRESULT Platform::CreateSynthesiser(std::shared_ptr<Synthesiser>& synthesiser)
{
    std::shared_ptr<EspeakSynthesiser> espeak;
    const HRESULT hr = EspeakSynthesiser::Create(espeak);
    synthesiser = std::move(espeak);
    return hr;
}

void Platform::FillTokenStore(const Synthesiser& synthesiser)
{
    std::vector<ObjectToken> voices = BilingualVoices();
    for (const SynthesiserVoice& v : synthesiser.Voices()) {
        const QString identifier = QString::fromUtf8(v.identifier);
        const QString description =
            QStringLiteral("eSpeak NG ") + QString::fromUtf8(v.name).replace(u'_', u' ');
        voices.emplace_back(TokenId(kVoicesCategoryId, QStringLiteral("eSpeakNG\\") + identifier),
                            ObjectToken::Values{{QString(), description},
                                                {QStringLiteral("Voice"), identifier}},
                            ObjectToken::Values{{QStringLiteral("Vendor"), QStringLiteral("eSpeak NG")},
                                                {QStringLiteral("Name"), QString::fromUtf8(v.name)}});
    }
    m_tokens->SetCategory(kVoicesCategoryId.toString(), std::move(voices), BilingualUsId());

    // The audio token makes its output through this platform, so a test's sink is used too.
    const std::weak_ptr<Platform> self = weak_from_this();
    std::vector<ObjectToken> outputs;
    outputs.emplace_back(
        TokenId(kAudioOutputCategoryId, u"SoundServer"),
        ObjectToken::Values{{QString(), QStringLiteral("Default sound output")},
                            {QStringLiteral("409"), QStringLiteral("Default sound output")},
                            {QStringLiteral("804"), QStringLiteral("默认声音输出")}},
        ObjectToken::Values{},
        [self](std::shared_ptr<AudioOutput>& audio) {
            const std::shared_ptr<Platform> platform = self.lock();
            return platform ? platform->CreateAudioOutput(audio) : E_FAIL;
        });
    m_tokens->SetCategory(kAudioOutputCategoryId.toString(), std::move(outputs));
}

} // namespace speech

#include "speech/platform/platform.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include <QtDebug>

#include "speech/platform/audiooutput.h"
#include "speech/platform/combinedsynthesiser.h"
#include "speech/platform/enginesynthesiser.h"
#include "speech/platform/espeaksynthesiser.h"
#include "speech/platform/filestream.h"
#include "speech/platform/flitesynthesiser.h"
#include "speech/platform/soundsink.h"
#include "speech/platform/voice.h"

namespace speech {
namespace {

QString TokenId(QStringView categoryId, QStringView name)
{
    return categoryId.toString() + QStringLiteral("\\Tokens\\") + name.toString();
}

struct BilingualVoice
{
    QStringView name;       // the token id's last part
    const char* latinVoice; // the synthesiser's voice for everything but Han runs
    QStringView english;    // the description under 409 and the default one
    QStringView chinese;    // under 804
    QStringView latinLanguage;
    QStringView gender;
};

// Mandarin for Han runs through the one espeak-ng voice that has its phonemes, English for the
// rest: no single voice reads both. The first is the default: the voice whose English a speech
// recogniser understood best (bench/intelligibility), Flite's rms; the espeak-ng ones stay for
// machines without Flite and for British English.
constexpr BilingualVoice kBilingualVoices[] = {
    {u"LexovoxBilingualFliteRms", "flite/rms",
     u"Bilingual Mandarin and American English (Flite rms, male)", u"中英双语（美式英语，男声 rms）",
     u"409", u"Male"},
    {u"LexovoxBilingualFliteSlt", "flite/slt",
     u"Bilingual Mandarin and American English (Flite slt, female)",
     u"中英双语（美式英语，女声 slt）", u"409", u"Female"},
    {u"LexovoxBilingualFliteKal", "flite/kal16",
     u"Bilingual Mandarin and American English (Flite kal, male)", u"中英双语（美式英语，男声 kal）",
     u"409", u"Male"},
    {u"LexovoxBilingualFliteAwb", "flite/awb",
     u"Bilingual Mandarin and Scottish English (Flite awb, male)",
     u"中英双语（苏格兰英语，男声 awb）", u"809", u"Male"},
    {u"LexovoxBilingualUS", "en-us", u"Bilingual Mandarin and American English (eSpeak NG)",
     u"中英双语（美式英语，eSpeak NG）", u"409", u"Male"},
    {u"LexovoxBilingualGB", "en-gb-x-rp", u"Bilingual Mandarin and British English (eSpeak NG)",
     u"中英双语（英式英语，eSpeak NG）", u"809", u"Male"},
};

// The English of the default voice, and of the first that needs no Flite.
constexpr const BilingualVoice& kDefaultEnglish = kBilingualVoices[0];
constexpr const BilingualVoice& kFallbackEnglish = kBilingualVoices[4];
static_assert(std::string_view(kFallbackEnglish.latinVoice) == "en-us");

// Chinese names of espeak-ng's English and Chinese voices, by the last part of the identifier.
struct ChineseName
{
    const char* voice;
    QStringView name;
};

constexpr ChineseName kChineseNames[] = {
    {"en", u"英语（英国）"},
    {"en-029", u"英语（加勒比）"},
    {"en-gb-scotland", u"英语（苏格兰）"},
    {"en-gb-x-gbclan", u"英语（英国兰开斯特）"},
    {"en-gb-x-gbcwmd", u"英语（英国西米德兰兹）"},
    {"en-gb-x-rp", u"英语（英国标准发音）"},
    {"en-us", u"英语（美国）"},
    {"en-us-nyc", u"英语（美国纽约）"},
    {"cmn", u"普通话（拉丁字母按英语读）"},
    {"cmn-latn-pinyin", u"普通话（拉丁字母按拼音读）"},
    {"yue", u"粤语"},
    {"yue-latn-jyutping", u"粤语（拉丁字母按粤拼读）"},
};

QString ChineseNameOf(const QByteArray& identifier)
{
    const QByteArray voice = identifier.sliced(identifier.lastIndexOf('/') + 1).toLower();
    for (const ChineseName& entry : kChineseNames) {
        if (voice == entry.voice)
            return entry.name.toString();
    }
    return {};
}

bool Offers(const std::vector<SynthesiserVoice>& voices, const char* identifier)
{
    return std::any_of(voices.begin(), voices.end(),
                       [&](const SynthesiserVoice& v) { return v.identifier == identifier; });
}

std::vector<ObjectToken> BilingualVoices(const std::vector<SynthesiserVoice>& offered)
{
    std::vector<ObjectToken> tokens;
    for (const BilingualVoice& v : kBilingualVoices) {
        // espeak-ng takes any of its voice names; the others only exist when their synthesiser
        // started.
        if (QByteArrayView(v.latinVoice).startsWith("flite/") && !Offers(offered, v.latinVoice))
            continue;
        tokens.emplace_back(
            TokenId(kVoicesCategoryId, v.name),
            ObjectToken::Values{
                {QString(), v.english.toString()},
                {QStringLiteral("409"), v.english.toString()},
                {QStringLiteral("804"), v.chinese.toString()},
                {QStringLiteral("HanVoice"), QStringLiteral("cmn-latn-pinyin")},
                {QStringLiteral("LatinVoice"), QString::fromLatin1(v.latinVoice)},
            },
            ObjectToken::Values{
                {QStringLiteral("Language"), QStringLiteral("804;") + v.latinLanguage.toString()},
                {QStringLiteral("Gender"), v.gender.toString()},
                {QStringLiteral("Vendor"), QStringLiteral("Lexovox")},
            });
    }
    return tokens;
}

// An engine's English voice is bilingual as the built-in ones are: its Mandarin the same
// espeak-ng voice. A Chinese one reads the Han runs, as characters, and leaves the English to
// the default voice's English (Flite's rms, or espeak-ng's where Flite is missing): a Chinese
// voice reads English letters as Chinese would.
ObjectToken EngineVoiceToken(const SynthesiserVoice& v, const std::vector<SynthesiserVoice>& offered)
{
    const QString identifier = QString::fromUtf8(v.identifier);
    const bool english = !v.language.startsWith("zh") && !v.language.startsWith("cmn");
    ObjectToken::Values values{{QString(), v.english}, {QStringLiteral("409"), v.english}, {QStringLiteral("804"), v.chinese}};
    if (english) {
        values.emplace(QStringLiteral("HanVoice"), QStringLiteral("cmn-latn-pinyin"));
        values.emplace(QStringLiteral("LatinVoice"), identifier);
    } else {
        values.emplace(QStringLiteral("HanVoice"), identifier);
        values.emplace(QStringLiteral("LatinVoice"), QString::fromLatin1(Offers(offered, kDefaultEnglish.latinVoice)
                                                                              ? kDefaultEnglish.latinVoice
                                                                              : kFallbackEnglish.latinVoice));
    }
    return ObjectToken(TokenId(kVoicesCategoryId, QStringLiteral("Engine\\") + identifier.sliced(identifier.indexOf(u':') + 1)),
                       std::move(values),
                       ObjectToken::Values{{QStringLiteral("Language"), english ? QStringLiteral("804;409") : QStringLiteral("804")},
                                           {QStringLiteral("Vendor"), v.vendor},
                                           {QStringLiteral("Name"), QString::fromUtf8(v.name)}});
}

// The engines the descriptions name that are installed; a malformed description is said once
// per process, on stderr, and the others still count.
std::shared_ptr<EngineSynthesiser> InstalledEngines()
{
    std::vector<EngineProblem> problems;
    auto engines = std::make_shared<EngineSynthesiser>(FindInstalledEngines(EngineDescriptionFolders(), problems));
    static std::once_flag told;
    std::call_once(told, [&] {
        for (const EngineProblem& problem : problems)
            qWarning().noquote() << problem.Text();
    });
    return engines;
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
    std::unique_ptr<TokenCategory> voices;
    QString defaultId;
    if (const HRESULT hr = CreateTokenCategory(voices); Failed(hr))
        return hr;
    if (Failed(voices->SetId(kVoicesCategoryId, false)) || Failed(voices->GetDefaultTokenId(defaultId)))
        return S_OK;  // no voice tokens: the voice speaks with the program's default choice
    return CreateToken(defaultId, parts.defaultToken);
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
    synthesiser.reset();
    std::shared_ptr<EspeakSynthesiser> espeak;
    if (const HRESULT hr = EspeakSynthesiser::Create(espeak); Failed(hr))
        return hr;
    std::vector<CombinedSynthesiser::Part> parts{{espeak, nullptr}};
    // Without Flite the program still speaks, with espeak-ng's English.
    std::shared_ptr<FliteSynthesiser> flite;
    if (Succeeded(FliteSynthesiser::Create(flite)))
        parts.push_back({flite, &FliteSynthesiser::IsFliteVoice});
    if (std::shared_ptr<EngineSynthesiser> engines = InstalledEngines(); !engines->IsEmpty())
        parts.push_back({std::move(engines), &EngineSynthesiser::IsEngineVoice});
    synthesiser = std::make_shared<CombinedSynthesiser>(std::move(parts));
    return S_OK;
}

void Platform::FillTokenStore(const Synthesiser& synthesiser)
{
    const std::vector<SynthesiserVoice> offered = synthesiser.Voices();
    std::vector<ObjectToken> voices = BilingualVoices(offered);
    for (const SynthesiserVoice& v : offered) {
        if (FliteSynthesiser::IsFliteVoice(v.identifier))
            continue;  // Flite speaks English only: it is offered inside the bilingual voices
        if (EngineSynthesiser::IsEngineVoice(v.identifier)) {
            voices.push_back(EngineVoiceToken(v, offered));
            continue;
        }
        const QString identifier = QString::fromUtf8(v.identifier);
        const QString description =
            QStringLiteral("eSpeak NG ") + QString::fromUtf8(v.name).replace(u'_', u' ');
        ObjectToken::Values values{{QString(), description}, {QStringLiteral("Voice"), identifier}};
        if (const QString chinese = ChineseNameOf(v.identifier); !chinese.isEmpty()) {
            values.emplace(QStringLiteral("409"), description);
            values.emplace(QStringLiteral("804"), chinese);
        }
        voices.emplace_back(TokenId(kVoicesCategoryId, QStringLiteral("eSpeakNG\\") + identifier),
                            std::move(values),
                            ObjectToken::Values{{QStringLiteral("Vendor"), QStringLiteral("eSpeak NG")},
                                                {QStringLiteral("Name"), QString::fromUtf8(v.name)}});
    }
    // The first voice, the best bilingual one there is, is the default.
    m_tokens->SetCategory(kVoicesCategoryId.toString(), std::move(voices));

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

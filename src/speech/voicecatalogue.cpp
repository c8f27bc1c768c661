#include "speech/voicecatalogue.h"

#include <QSet>

#include "speech/platform/enginesynthesiser.h"
#include "speech/platform/flitesynthesiser.h"
#include "speech/platform/platform.h"
#include "speech/platform/speechplan.h"

namespace speech {
namespace {

// Lower-case ASCII words joined by single hyphens: accented letters lose their marks, a capital
// after a small letter or digit starts a word, anything else only separates words.
QString Hyphenated(QStringView text)
{
    const QString plain = text.toString().normalized(QString::NormalizationForm_KD);
    QString words;
    bool gap = false;
    bool afterSmallOrDigit = false;
    for (const QChar c : plain) {
        if (c.isMark())
            continue;
        const char16_t u = c.unicode();
        const bool capital = u >= u'A' && u <= u'Z';
        if (!capital && !(u >= u'a' && u <= u'z') && !(u >= u'0' && u <= u'9')) {
            gap = true;
            afterSmallOrDigit = false;
            continue;
        }
        if (!words.isEmpty() && (gap || (capital && afterSmallOrDigit)))
            words += u'-';
        words += QChar(capital ? u - u'A' + u'a' : u);
        gap = false;
        afterSmallOrDigit = !capital;
    }
    return words;
}

QStringView LastPart(QStringView text, char16_t separator)
{
    return text.sliced(text.lastIndexOf(separator) + 1);
}

// Every token of the category with a description in the user's language, in its order, and in
// `last` the result of reading the last token's description. False when the category is missing
// or cannot be enumerated.
bool DescribedTokens(const Platform& platform, QStringView categoryId, const QString& required,
                     const QString& optional, std::vector<VoiceInfo>& described, HRESULT& last)
{
    std::unique_ptr<TokenEnumerator> tokens;
    HRESULT hr = S_OK;
    {
        std::unique_ptr<TokenCategory> category;
        hr = GetCategoryFromId(platform, categoryId, false, category);
        if (Succeeded(hr))
            hr = category->EnumTokens(required, optional, tokens);
    }
    if (hr != S_OK || !tokens)
        return false;

    last = S_OK;
    TokenPtr token;
    while (tokens->Next(token) == S_OK) {
        VoiceInfo entry;
        // Asked anew for each token, as the environment may change while the list fills.
        last = GetTokenDescription(*token, GetUserInterfaceLanguage(), entry.description);
        if (Failed(last))
            continue;
        entry.id = token->GetId();
        entry.token = std::move(token);
        described.push_back(std::move(entry));
    }
    return true;
}

void AssignShortIds(std::vector<VoiceInfo>& voices)
{
    QSet<QString> asked;
    for (VoiceInfo& voice : voices) {
        voice.shortId = ShortVoiceId(*voice.token);
        asked.insert(voice.shortId);
    }
    QSet<QString> given;
    for (VoiceInfo& voice : voices) {
        const QString wanted = voice.shortId;
        for (int n = 2; given.contains(voice.shortId) || (voice.shortId != wanted && asked.contains(voice.shortId)); ++n)
            voice.shortId = wanted + u'-' + QString::number(n);
        given.insert(voice.shortId);
    }
}

// The voices of ListVoices; the result as DescribedTokens gives it.
bool CollectVoices(const Platform& platform, std::vector<VoiceInfo>& voices, HRESULT& last)
{
    if (!DescribedTokens(platform, kVoicesCategoryId, QString(), QString(), voices, last))
        return false;
    for (VoiceInfo& voice : voices) {
        GetTokenDescription(*voice.token, 0x0804, voice.chineseDescription);
        GetTokenDescription(*voice.token, 0x0409, voice.englishDescription);
        voice.readsPhonemes = ReadsPhonemes(*voice.token);
        voice.chinese = !ChineseEngineVoice(*voice.token).isEmpty();
    }
    AssignShortIds(voices);
    return true;
}

// One entry per described token, the first selected. The result is the last token's: the
// failure to describe it, or whether the list took it.
HRESULT AddEntries(TokenList& list, const std::vector<VoiceInfo>& entries, HRESULT lastDescription)
{
    HRESULT hr = S_OK;
    bool selected = false;
    for (const VoiceInfo& entry : entries) {
        const int index = list.AddString(entry.description);
        if (index == TokenList::kError || index == TokenList::kOutOfSpace) {
            hr = E_OUTOFMEMORY;
            continue;
        }
        hr = S_OK;
        list.SetItemData(index, entry.token);
        if (!selected) {
            list.SetCurrentSelection(index);
            selected = true;
        }
    }
    return Failed(lastDescription) ? lastDescription : hr;
}

} // namespace

HRESULT FillVoiceList(TokenList& list, const Platform& platform)
{
    std::vector<VoiceInfo> voices;
    HRESULT last = S_OK;
    return CollectVoices(platform, voices, last) ? AddEntries(list, voices, last) : SPERR_NO_MORE_ITEMS;
}

QString TokenId(const TokenPtr& token)
{
    return token ? token->GetId() : QString();
}

QByteArray ChineseEngineVoice(const ObjectToken& token)
{
    // An English engine voice leaves its Han runs to espeak-ng, a Chinese one reads them itself.
    const VoiceChoice choice = VoiceChoice::Of(&token);
    return EngineSynthesiser::IsEngineVoice(choice.han) && choice.han != choice.latin ? choice.han : QByteArray();
}

bool ReadsPhonemes(const ObjectToken& token)
{
    const QByteArray latin = VoiceChoice::Of(&token).latin;
    return !FliteSynthesiser::IsFliteVoice(latin) && !EngineSynthesiser::IsEngineVoice(latin);
}

namespace {

// An engine's voice by its engine and name: "engine:piper/en_US-lessac-medium" gives
// "piper-en-us-lessac-medium".
QString EngineVoiceId(QStringView voice)
{
    const QStringView named = voice.sliced(voice.indexOf(u':') + 1);
    const qsizetype slash = named.indexOf(u'/');
    return Hyphenated(named.first(std::max<qsizetype>(slash, 0))) + u'-' + Hyphenated(named.sliced(slash + 1));
}

} // namespace

QString ShortVoiceId(const ObjectToken& token)
{
    QString id;
    QString voice;
    const bool latin = Succeeded(token.GetStringValue(QStringLiteral("LatinVoice"), voice)) && !voice.isEmpty();
    // A speech program's voice by its own name, whichever script it reads.
    if (const QByteArray chinese = ChineseEngineVoice(token); !chinese.isEmpty()) {
        id = EngineVoiceId(QString::fromUtf8(chinese));
    } else if ((latin || Succeeded(token.GetStringValue(QStringLiteral("Voice"), voice)))
        && EngineSynthesiser::IsEngineVoice(voice.toUtf8())) {
        id = EngineVoiceId(voice);
    } else if (latin) {
        // Bilingual: its Mandarin is the same in all, its English tells it apart.
        id = FliteSynthesiser::IsFliteVoice(voice.toUtf8()) ? Hyphenated(voice)
                                                              : QStringLiteral("espeak-") + Hyphenated(LastPart(voice, u'/'));
    } else if (Succeeded(token.GetStringValue(QStringLiteral("Voice"), voice)) && !voice.isEmpty()) {
        // espeak-ng's language families ("gmw/") add nothing to tell its voices apart.
        id = QStringLiteral("espeak-ng-") + Hyphenated(LastPart(voice, u'/'));
    } else {
        id = Hyphenated(LastPart(token.GetId(), u'\\'));
    }
    return id.isEmpty() ? QStringLiteral("voice") : id;
}

std::vector<VoiceInfo> ListVoices(const Platform& platform)
{
    std::vector<VoiceInfo> voices;
    HRESULT last = S_OK;
    CollectVoices(platform, voices, last);
    return voices;
}

const VoiceInfo* FindVoiceById(const std::vector<VoiceInfo>& voices, const QString& id)
{
    if (id.isEmpty())
        return nullptr;
    // Typed as a file is named: "piper-en_US-lessac-medium" for "piper-en-us-lessac-medium".
    const QString typed = QString(id).replace(u'_', u'-');
    for (const VoiceInfo& voice : voices) {
        if (voice.shortId.compare(typed, Qt::CaseInsensitive) == 0)
            return &voice;
    }
    for (const VoiceInfo& voice : voices) {
        if (voice.id == id)
            return &voice;
    }
    return nullptr;
}

const VoiceInfo* FindVoice(const std::vector<VoiceInfo>& voices, const QString& text)
{
    if (const VoiceInfo* voice = FindVoiceById(voices, text); voice || text.isEmpty())
        return voice;
    for (const VoiceInfo& voice : voices) {
        for (const QString* field : {&voice.description, &voice.chineseDescription, &voice.englishDescription}) {
            if (field->contains(text, Qt::CaseInsensitive))
                return &voice;
        }
    }
    return nullptr;
}

HRESULT FillTokenList(TokenList& list, const Platform& platform, QStringView categoryId,
                      const QString& required, const QString& optional)
{
    std::vector<VoiceInfo> described;
    HRESULT last = S_OK;
    return DescribedTokens(platform, categoryId, required, optional, described, last)
        ? AddEntries(list, described, last)
        : SPERR_NO_MORE_ITEMS;
}

HRESULT GetCategoryFromId(const Platform& platform, QStringView categoryId, bool createIfMissing,
                          std::unique_ptr<TokenCategory>& category)
{
    std::unique_ptr<TokenCategory> made;
    HRESULT hr = platform.CreateTokenCategory(made);
    if (Succeeded(hr))
        hr = made->SetId(categoryId, createIfMissing);
    if (Succeeded(hr))
        category = std::move(made);
    return hr;
}

HRESULT GetTokenDescription(const ObjectToken& token, LANGID language, QString& description)
{
    HRESULT hr = token.GetStringValue(FormatLanguageId(language), description);
    if (hr == SPERR_NOT_FOUND)
        hr = token.GetStringValue(QString(), description);
    return hr;
}

QString FormatLanguageId(std::uint32_t value)
{
    return QString::number(value, 16).toUpper();
}

} // namespace speech

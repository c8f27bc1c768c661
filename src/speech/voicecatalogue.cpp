#include "speech/voicecatalogue.h"

#include "speech/platform/flitesynthesiser.h"
#include "speech/platform/platform.h"
#include "speech/platform/speechplan.h"

namespace speech {

HRESULT FillVoiceList(TokenList& list, const Platform& platform)
{
    return FillTokenList(list, platform, kVoicesCategoryId, QString(), QString());
}

QString TokenId(const TokenPtr& token)
{
    return token ? token->GetId() : QString();
}

bool ReadsPhonemes(const ObjectToken& token)
{
    return !FliteSynthesiser::IsFliteVoice(VoiceChoice::Of(&token).latin);
}

std::vector<VoiceInfo> ListVoices(const Platform& platform)
{
    std::vector<VoiceInfo> voices;
    std::unique_ptr<TokenCategory> category;
    std::unique_ptr<TokenEnumerator> tokens;
    if (Failed(GetCategoryFromId(platform, kVoicesCategoryId, false, category))
        || category->EnumTokens(QString(), QString(), tokens) != S_OK || !tokens)
        return voices;
    TokenPtr token;
    while (tokens->Next(token) == S_OK) {
        VoiceInfo voice{token->GetId(), {}, {}, {}, ReadsPhonemes(*token)};
        GetTokenDescription(*token, GetUserInterfaceLanguage(), voice.description);
        GetTokenDescription(*token, 0x0804, voice.chineseDescription);
        GetTokenDescription(*token, 0x0409, voice.englishDescription);
        voices.push_back(std::move(voice));
    }
    return voices;
}

const VoiceInfo* FindVoice(const std::vector<VoiceInfo>& voices, const QString& text)
{
    for (const VoiceInfo& voice : voices) {
        for (const QString* field : {&voice.description, &voice.chineseDescription, &voice.englishDescription, &voice.id}) {
            if (field->contains(text, Qt::CaseInsensitive))
                return &voice;
        }
    }
    return nullptr;
}

HRESULT FillTokenList(TokenList& list, const Platform& platform, QStringView categoryId,
                      const QString& required, const QString& optional)
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
        return SPERR_NO_MORE_ITEMS;

    bool selected = false;
    hr = S_OK;
    TokenPtr token;
    while (tokens->Next(token) == S_OK) {
        // Asked anew for each voice, as the environment may change while the list fills.
        const LANGID language = GetUserInterfaceLanguage();
        QString description;
        hr = GetTokenDescription(*token, language, description);
        if (Failed(hr))
            continue;
        const int index = list.AddString(description);
        if (index == TokenList::kError || index == TokenList::kOutOfSpace) {
            hr = E_OUTOFMEMORY;
            continue;
        }
        list.SetItemData(index, std::move(token));
        if (!selected) {
            list.SetCurrentSelection(index);
            selected = true;
        }
    }
    return hr;
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

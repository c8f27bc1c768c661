#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QString>
#include <QStringView>

#include "base/result.h"
#include "base/uilanguage.h"

namespace speech {

class ObjectToken;
class Platform;
class TokenCategory;
using TokenPtr = std::shared_ptr<const ObjectToken>;

/// A list of tokens on screen (a combo box or a list box) as the catalogue fills and reads it.
/// The list keeps its entries sorted by text, or in the order added, as it likes.
class TokenList
{
public:
    /// Adds an entry; its index, or kError / kOutOfSpace.
    virtual int AddString(const QString& text) = 0;
    /// The entry now holds a reference to `token`.
    virtual void SetItemData(int index, TokenPtr token) = 0;
    virtual void SetCurrentSelection(int index) = 0;
    /// The token of the selected entry; null with no selection.
    virtual TokenPtr GetSelectedToken() const = 0;

    static constexpr int kError = -1;
    static constexpr int kOutOfSpace = -2;

protected:
    ~TokenList() = default;
};

/// Fills the voice list with the voices of ListVoices, each showing its description; the first
/// is selected, without picking it. Results as FillTokenList's for the voices category.
HRESULT FillVoiceList(TokenList& list, const Platform& platform);

/// One voice as the window lists it and the command line names it.
struct VoiceInfo
{
    QString id;                 // the token's id, what SpeechEngine::SelectVoiceById takes
    QString shortId;            // lower-case ASCII letters, digits and hyphens, unique in its list
    QString description;        // in the user's interface language
    QString chineseDescription; // under 804
    QString englishDescription; // under 409
    bool readsPhonemes = false; // its English is espeak-ng's, which reads [[…]] phonemes
    TokenPtr token;             // what a voice list's entry holds
    bool chinese = false;       // a speech program's Chinese voice (ChineseEngineVoice)
};

/// Whether the voice of `token` speaks English with espeak-ng, which reads [[…]] phonemes.
bool ReadsPhonemes(const ObjectToken& token);

/// The synthesiser voice that reads the Chinese of `token` when it is a speech program's Chinese
/// voice, which may read a bilingual voice's Chinese too (VoiceChoice::Of); else empty.
QByteArray ChineseEngineVoice(const ObjectToken& token);

/// The id of a token a list holds (empty for none), as SpeechEngine::SelectVoiceById takes it.
QString TokenId(const TokenPtr& token);

/// The short id a voice token asks for, before ListVoices makes the ids of its list unique: the
/// program's bilingual voices are named by their English voice ("flite-rms", "espeak-en-us"),
/// a single espeak-ng voice by its name ("espeak-ng-en-us"), any other token by the last part of
/// its id. Lower-case ASCII letters, digits and single hyphens; never empty.
QString ShortVoiceId(const ObjectToken& token);

/// Every voice that has a description, in the category's order (the first is the default). Short
/// ids that collide stay with the first voice; the later ones get "-2", "-3" … after theirs,
/// skipping ids another voice asks for.
std::vector<VoiceInfo> ListVoices(const Platform& platform);
/// The voice whose short id is `id` (ignoring case, '_' taken for '-', so a Piper voice's file
/// name after "piper-" finds it), else the one whose id is exactly `id`; null for none or an
/// empty `id`.
const VoiceInfo* FindVoiceById(const std::vector<VoiceInfo>& voices, const QString& id);
/// As FindVoiceById, else the first voice whose description in either language contains `text`,
/// ignoring case. Null for none or an empty `text`.
const VoiceInfo* FindVoice(const std::vector<VoiceInfo>& voices, const QString& text);

/// Adds one entry per token of the category that matches `required` (and puts those matching
/// `optional` first), showing its description in the user's interface language; the first
/// token added is selected, wherever it sorts. That selection is no pick: the voice does not
/// change. SPERR_NO_MORE_ITEMS, with the list untouched, when the category is missing or cannot
/// be enumerated; else the result of the last token (a token without description or one the list
/// refuses is left out), S_OK when all went in.
HRESULT FillTokenList(TokenList& list, const Platform& platform, QStringView categoryId,
                      const QString& required, const QString& optional);

/// The category bound to `categoryId`; a missing one is created only when asked to.
HRESULT GetCategoryFromId(const Platform& platform, QStringView categoryId, bool createIfMissing,
                          std::unique_ptr<TokenCategory>& category);

/// The token's description under `language` ("804" for 0x0804), else its default description.
/// A failure other than SPERR_NOT_FOUND is returned without trying the default.
HRESULT GetTokenDescription(const ObjectToken& token, LANGID language, QString& description);

/// Upper-case hexadecimal without leading zeros: 0x0804 gives "804", 0 gives "0".
QString FormatLanguageId(std::uint32_t value);

} // namespace speech

#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include <QString>
#include <QStringView>

#include "speech/platform/result.h"

namespace speech {

class AudioOutput;

/// Category ids, as the program names them.
inline constexpr QStringView kVoicesCategoryId{u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices"};
inline constexpr QStringView kAudioOutputCategoryId{
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\AudioOutput"};

/// One installed voice or audio output: an id, string values and attributes. The default value
/// (empty name) is the description; values named by a hexadecimal language id ("804", "409")
/// are descriptions in that language.
///
/// Tokens are compared by identity: each enumeration or look-up hands out new token objects,
/// so two objects may name the same voice.
class ObjectToken
{
public:
    using Values = std::map<QString, QString>;
    using AudioFactory = std::function<HRESULT(std::shared_ptr<AudioOutput>&)>;

    ObjectToken(QString id, Values values, Values attributes = {}, AudioFactory audio = {});

    const QString& GetId() const { return m_id; }
    /// The value `name`; an empty name reads the default value. SPERR_NOT_FOUND when absent.
    HRESULT GetStringValue(const QString& name, QString& value) const;
    /// The object the token stands for: the audio output of an audio output token. Other tokens
    /// give SPERR_NOT_FOUND.
    HRESULT CreateInstance(std::shared_ptr<AudioOutput>& audio) const;

    /// True when every "Name=Value" (or bare "Name") of a ";"-separated list matches an attribute.
    bool MatchesAttributes(QStringView required) const;

private:
    QString m_id;
    Values m_values;
    Values m_attributes;
    AudioFactory m_audio;
};

using TokenPtr = std::shared_ptr<const ObjectToken>;

/// The tokens of every category. Shared by the categories and tokens made from it.
class TokenStore
{
public:
    /// Adds a category, or replaces its tokens. The default token is the first unless named.
    void SetCategory(const QString& categoryId, std::vector<ObjectToken> tokens,
                     const QString& defaultTokenId = {});
    bool HasCategory(QStringView categoryId) const;
    void CreateCategory(QStringView categoryId);
    std::vector<ObjectToken> Tokens(QStringView categoryId) const;
    QString DefaultTokenId(QStringView categoryId) const;
    /// A new token object for the id, or null.
    TokenPtr Find(QStringView tokenId) const;

private:
    struct Category
    {
        std::vector<ObjectToken> tokens;
        QString defaultTokenId;
    };
    mutable std::mutex m_mutex;
    std::map<QString, Category> m_categories;
};

/// Hands out a category's tokens one at a time.
class TokenEnumerator
{
public:
    explicit TokenEnumerator(std::vector<TokenPtr> tokens);

    /// S_OK with the next token while any remain, then S_FALSE with a null token.
    HRESULT Next(TokenPtr& token);
    void Reset() { m_next = 0; }

private:
    std::vector<TokenPtr> m_tokens;
    std::size_t m_next = 0;
};

/// A category of tokens (voices, audio outputs), bound to an id with SetId.
class TokenCategory
{
public:
    explicit TokenCategory(std::shared_ptr<TokenStore> store);

    /// Binds the category. A missing one is created when `createIfMissing` is set, else
    /// SPERR_NOT_FOUND.
    HRESULT SetId(QStringView categoryId, bool createIfMissing);
    HRESULT GetId(QString& categoryId) const;
    /// The tokens whose attributes match `required` (";"-separated "Name=Value" items; empty
    /// for all), those matching `optional` first.
    HRESULT EnumTokens(const QString& required, const QString& optional,
                       std::unique_ptr<TokenEnumerator>& tokens) const;
    HRESULT GetDefaultTokenId(QString& tokenId) const;

private:
    std::shared_ptr<TokenStore> m_store;
    QString m_id;
};

} // namespace speech

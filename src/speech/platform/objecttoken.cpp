#include "speech/platform/objecttoken.h"

#include <algorithm>

#include <QList>
#include <QStringList>

#include "speech/platform/audiooutput.h"

namespace speech {

ObjectToken::ObjectToken(QString id, Values values, Values attributes, AudioFactory audio)
    : m_id(std::move(id))
    , m_values(std::move(values))
    , m_attributes(std::move(attributes))
    , m_audio(std::move(audio))
{
}

HRESULT ObjectToken::GetStringValue(const QString& name, QString& value) const
{
    // A null name and an empty one both compare equal to the default value's empty key.
    const auto it = m_values.find(name);
    if (it == m_values.end())
        return SPERR_NOT_FOUND;
    value = it->second;
    return S_OK;
}

HRESULT ObjectToken::CreateInstance(std::shared_ptr<AudioOutput>& audio) const
{
    audio.reset();
    if (!m_audio)
        return SPERR_NOT_FOUND;
    return m_audio(audio);
}

bool ObjectToken::MatchesAttributes(QStringView required) const
{
    for (QStringView item : required.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype equals = item.indexOf(u'=');
        const QString name = item.left(equals).trimmed().toString();
        const auto it = m_attributes.find(name);
        if (it == m_attributes.end())
            return false;
        if (equals >= 0) {
            // A value such as "804;409" lists several languages; any one of them matches.
            const QStringView wanted = item.sliced(equals + 1).trimmed();
            const QStringList have = it->second.split(u';');
            if (std::none_of(have.begin(), have.end(),
                             [&](const QString& v) { return v.trimmed() == wanted; }))
                return false;
        }
    }
    return true;
}

void TokenStore::SetCategory(const QString& categoryId, std::vector<ObjectToken> tokens,
                             const QString& defaultTokenId)
{
    std::lock_guard lock(m_mutex);
    Category& category = m_categories[categoryId];
    category.defaultTokenId =
        !defaultTokenId.isEmpty() ? defaultTokenId
                                  : (tokens.empty() ? QString() : tokens.front().GetId());
    category.tokens = std::move(tokens);
}

bool TokenStore::HasCategory(QStringView categoryId) const
{
    std::lock_guard lock(m_mutex);
    return m_categories.contains(categoryId.toString());
}

void TokenStore::CreateCategory(QStringView categoryId)
{
    std::lock_guard lock(m_mutex);
    m_categories.try_emplace(categoryId.toString());
}

std::vector<ObjectToken> TokenStore::Tokens(QStringView categoryId) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_categories.find(categoryId.toString());
    return it == m_categories.end() ? std::vector<ObjectToken>{} : it->second.tokens;
}

QString TokenStore::DefaultTokenId(QStringView categoryId) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_categories.find(categoryId.toString());
    return it == m_categories.end() ? QString() : it->second.defaultTokenId;
}

TokenPtr TokenStore::Find(QStringView tokenId) const
{
    std::lock_guard lock(m_mutex);
    for (const auto& [id, category] : m_categories) {
        for (const ObjectToken& token : category.tokens) {
            if (token.GetId() == tokenId)
                return std::make_shared<const ObjectToken>(token);
        }
    }
    return nullptr;
}

TokenEnumerator::TokenEnumerator(std::vector<TokenPtr> tokens)
    : m_tokens(std::move(tokens))
{
}

HRESULT TokenEnumerator::Next(TokenPtr& token)
{
    if (m_next >= m_tokens.size()) {
        token.reset();
        return S_FALSE;
    }
    token = m_tokens[m_next++];
    return S_OK;
}

TokenCategory::TokenCategory(std::shared_ptr<TokenStore> store)
    : m_store(std::move(store))
{
}

HRESULT TokenCategory::SetId(QStringView categoryId, bool createIfMissing)
{
    if (!m_id.isEmpty())
        return E_UNEXPECTED;  // bound once, like the platform's categories
    if (categoryId.isEmpty())
        return E_INVALIDARG;
    if (!m_store->HasCategory(categoryId)) {
        if (!createIfMissing)
            return SPERR_NOT_FOUND;
        m_store->CreateCategory(categoryId);
    }
    m_id = categoryId.toString();
    return S_OK;
}

HRESULT TokenCategory::GetId(QString& categoryId) const
{
    if (m_id.isEmpty())
        return SPERR_UNINITIALIZED;
    categoryId = m_id;
    return S_OK;
}

HRESULT TokenCategory::EnumTokens(const QString& required, const QString& optional,
                                  std::unique_ptr<TokenEnumerator>& tokens) const
{
    tokens.reset();
    if (m_id.isEmpty())
        return SPERR_UNINITIALIZED;
    std::vector<TokenPtr> matching;
    for (ObjectToken& token : m_store->Tokens(m_id)) {
        if (token.MatchesAttributes(required))
            matching.push_back(std::make_shared<const ObjectToken>(std::move(token)));
    }
    if (!optional.isEmpty()) {
        std::stable_partition(matching.begin(), matching.end(),
                              [&](const TokenPtr& t) { return t->MatchesAttributes(optional); });
    }
    tokens = std::make_unique<TokenEnumerator>(std::move(matching));
    return S_OK;
}

HRESULT TokenCategory::GetDefaultTokenId(QString& tokenId) const
{
    if (m_id.isEmpty())
        return SPERR_UNINITIALIZED;
    tokenId = m_store->DefaultTokenId(m_id);
    return tokenId.isEmpty() ? SPERR_NOT_FOUND : S_OK;
}

} // namespace speech

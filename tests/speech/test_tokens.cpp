#include <memory>

#include <gtest/gtest.h>

#include "speech/platform/audiooutput.h"
#include "speech/platform/objecttoken.h"
#include "speech/platform/platform.h"

using namespace speech;

namespace {

class TokenTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(m_platform->Start(), S_OK); }
    void TearDown() override { m_platform->Stop(); }

    std::vector<TokenPtr> Voices(const QString& required = {})
    {
        std::unique_ptr<TokenCategory> category;
        m_platform->CreateTokenCategory(category);
        EXPECT_EQ(category->SetId(kVoicesCategoryId, false), S_OK);
        std::unique_ptr<TokenEnumerator> tokens;
        EXPECT_EQ(category->EnumTokens(required, {}, tokens), S_OK);
        std::vector<TokenPtr> result;
        TokenPtr token;
        while (tokens->Next(token) == S_OK)
            result.push_back(token);
        EXPECT_EQ(tokens->Next(token), S_FALSE);
        EXPECT_FALSE(token);
        return result;
    }

    std::shared_ptr<Platform> m_platform = std::make_shared<Platform>();
};

QString Value(const ObjectToken& token, const QString& name, HRESULT expected = S_OK)
{
    QString value;
    EXPECT_EQ(token.GetStringValue(name, value), expected) << name.toStdString();
    return value;
}

} // namespace

TEST_F(TokenTest, BilingualVoicesComeFirstWithDescriptionsPerLanguage)
{
    const std::vector<TokenPtr> voices = Voices();
    ASSERT_GT(voices.size(), 20u);  // the built-in ones and espeak-ng's own
    std::unique_ptr<TokenCategory> category;
    m_platform->CreateTokenCategory(category);
    ASSERT_EQ(category->SetId(kVoicesCategoryId, false), S_OK);
    QString defaultId;
    ASSERT_EQ(category->GetDefaultTokenId(defaultId), S_OK);
    EXPECT_EQ(voices[0]->GetId(), defaultId);

    const ObjectToken& us = *voices[0];
    EXPECT_EQ(Value(us, QStringLiteral("804")), QStringLiteral("中英双语（普通话、美式英语）"));
    EXPECT_EQ(Value(us, QStringLiteral("409")), QStringLiteral("Bilingual Mandarin and American English"));
    EXPECT_EQ(Value(us, QString()), Value(us, QStringLiteral("409")));
    EXPECT_EQ(Value(us, QStringLiteral("LatinVoice")), QStringLiteral("en-us"));
    EXPECT_EQ(Value(*voices[1], QStringLiteral("LatinVoice")), QStringLiteral("en-gb-x-rp"));

    // espeak-ng's voices have only a default description: a caller falls back to it.
    const TokenPtr& plain = voices.back();
    Value(*plain, QStringLiteral("804"), SPERR_NOT_FOUND);
    EXPECT_TRUE(Value(*plain, QString()).startsWith(u"eSpeak NG "));

    // Required attributes filter; each enumeration hands out new token objects.
    const std::vector<TokenPtr> chinese = Voices(QStringLiteral("Language=804"));
    ASSERT_EQ(chinese.size(), 2u);
    EXPECT_EQ(chinese[0]->GetId(), voices[0]->GetId());
    EXPECT_NE(chinese[0], voices[0]);
}

TEST_F(TokenTest, CategoriesAndTheAudioOutputToken)
{
    std::unique_ptr<TokenCategory> missing;
    m_platform->CreateTokenCategory(missing);
    EXPECT_EQ(missing->SetId(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Nothing", false), SPERR_NOT_FOUND);

    std::unique_ptr<TokenCategory> audio;
    m_platform->CreateTokenCategory(audio);
    ASSERT_EQ(audio->SetId(kAudioOutputCategoryId, true), S_OK);
    QString id;
    ASSERT_EQ(audio->GetDefaultTokenId(id), S_OK);
    TokenPtr token;
    ASSERT_EQ(m_platform->CreateToken(id, token), S_OK);
    std::shared_ptr<AudioOutput> output;
    ASSERT_EQ(token->CreateInstance(output), S_OK);
    EXPECT_TRUE(output);
    EXPECT_EQ(m_platform->CreateToken(u"no such token", token), SPERR_NOT_FOUND);
}

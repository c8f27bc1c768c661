#include <map>
#include <memory>

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QStringList>

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

    // The default speaks English with the voice the recogniser understood best.
    const ObjectToken& best = *voices[0];
    EXPECT_EQ(Value(best, QStringLiteral("LatinVoice")), QStringLiteral("flite/rms"));
    EXPECT_EQ(Value(best, QStringLiteral("804")), QStringLiteral("中英双语（美式英语，男声 rms）"));
    EXPECT_EQ(Value(best, QString()), Value(best, QStringLiteral("409")));

    // Every built-in bilingual voice (installed engines add their own after them): Mandarin by
    // espeak-ng, a description in both languages.
    const std::vector<TokenPtr> bilingual = Voices(QStringLiteral("Language=804;Vendor=Lexovox"));
    ASSERT_EQ(bilingual.size(), 6u);
    QStringList latinVoices;
    for (const TokenPtr& token : bilingual) {
        EXPECT_EQ(Value(*token, QStringLiteral("HanVoice")), QStringLiteral("cmn-latn-pinyin"));
        EXPECT_TRUE(Value(*token, QStringLiteral("804")).startsWith(u"中英双语（"));
        EXPECT_TRUE(Value(*token, QStringLiteral("409")).startsWith(u"Bilingual Mandarin and "));
        latinVoices << Value(*token, QStringLiteral("LatinVoice"));
    }
    EXPECT_EQ(latinVoices, (QStringList{QStringLiteral("flite/rms"), QStringLiteral("flite/slt"),
                                        QStringLiteral("flite/kal16"), QStringLiteral("flite/awb"),
                                        QStringLiteral("en-us"), QStringLiteral("en-gb-x-rp")}));
    // Required attributes filter; each enumeration hands out new token objects.
    EXPECT_EQ(bilingual[0]->GetId(), voices[0]->GetId());
    EXPECT_NE(bilingual[0], voices[0]);
}

TEST_F(TokenTest, EspeakVoicesAreNamedInChineseWhereLearnersNeedThem)
{
    std::map<QString, TokenPtr> byVoice;
    for (const TokenPtr& token : Voices()) {
        QString voice;
        if (Succeeded(token->GetStringValue(QStringLiteral("Voice"), voice)))
            byVoice[voice] = token;
    }
    const struct
    {
        const char* voice;
        const char* chinese;  // null: no description under 804 or 409
    } cases[] = {
        {"gmw/en", "英语（英国）"},
        {"gmw/en-US", "英语（美国）"},
        {"gmw/en-GB-x-rp", "英语（英国标准发音）"},
        {"sit/cmn-Latn-pinyin", "普通话（拉丁字母按拼音读）"},
        {"gmw/de", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.voice);
        const auto it = byVoice.find(QString::fromLatin1(c.voice));
        ASSERT_NE(it, byVoice.end());
        const ObjectToken& token = *it->second;
        EXPECT_TRUE(Value(token, QString()).startsWith(u"eSpeak NG "));
        if (c.chinese) {
            EXPECT_EQ(Value(token, QStringLiteral("804")), QString::fromUtf8(c.chinese));
            EXPECT_EQ(Value(token, QStringLiteral("409")), Value(token, QString()));
        } else {
            Value(token, QStringLiteral("804"), SPERR_NOT_FOUND);
        }
    }
    // Flite speaks English only, so it comes inside the bilingual voices, not on its own; no
    // MBROLA voice is listed without its data.
    for (const auto& [voice, token] : byVoice) {
        EXPECT_FALSE(voice.startsWith(u"flite/")) << voice.toStdString();
        if (voice.startsWith(u"mb/")) {
            EXPECT_TRUE(QFileInfo::exists(QStringLiteral("/usr/share/mbrola"))) << voice.toStdString();
        }
    }
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

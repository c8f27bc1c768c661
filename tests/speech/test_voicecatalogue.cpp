#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <QString>
#include <QRegularExpression>
#include <QStringList>

#include "speech/platform/objecttoken.h"
#include "speech/platform/platform.h"
#include "speech/platform/voice.h"
#include "speech/speechengine.h"
#include "speech/voicecatalogue.h"
#include "speechfakes.h"

using namespace speech;

namespace {

// A sorted list, as the voice combo box is: an entry lands after those whose text is not
// greater, and the selection follows its entry when others are inserted before it.
class SortedList final : public TokenList
{
public:
    struct Entry
    {
        QString text;
        TokenPtr token;
    };

    int AddString(const QString& text) override
    {
        if (refuseAfter >= 0 && static_cast<int>(entries.size()) >= refuseAfter)
            return kOutOfSpace;
        const auto at = std::upper_bound(entries.begin(), entries.end(), text,
                                         [](const QString& t, const Entry& e) { return t < e.text; });
        const int index = static_cast<int>(at - entries.begin());
        entries.insert(at, {text, nullptr});
        if (selected >= index)
            ++selected;
        return index;
    }
    void SetItemData(int index, TokenPtr token) override { entries[index].token = std::move(token); }
    void SetCurrentSelection(int index) override { selected = index; }
    TokenPtr GetSelectedToken() const override
    {
        return selected >= 0 ? entries[static_cast<std::size_t>(selected)].token : nullptr;
    }

    QStringList Texts() const
    {
        QStringList texts;
        for (const Entry& e : entries)
            texts << e.text;
        return texts;
    }

    std::vector<Entry> entries;
    int selected = -1;
    int refuseAfter = -1;
};

// The real platform with a voices category of the test's own.
class CataloguePlatform final : public Platform
{
public:
    void SetVoices(std::vector<ObjectToken> tokens)
    {
        GetTokenStore().SetCategory(kVoicesCategoryId.toString(), std::move(tokens));
    }
};

ObjectToken Token(const char* id, ObjectToken::Values values)
{
    return ObjectToken(QString::fromLatin1(id), std::move(values));
}

const QString kDefault;
const QString k804 = QStringLiteral("804");
const QString k409 = QStringLiteral("409");

class LanguageGuard
{
public:
    explicit LanguageGuard(const char* lang)
    {
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("LANG", lang, 1);
    }
    ~LanguageGuard() { unsetenv("LANG"); }
};

} // namespace

TEST(VoiceCatalogue, FormatLanguageIdIsUpperCaseHexWithoutLeadingZeros)
{
    const struct
    {
        std::uint32_t value;
        const char* text;
    } cases[] = {{0x0804, "804"}, {0x0409, "409"}, {0x0C0A, "C0A"}, {0, "0"}, {0xFFFFFFFF, "FFFFFFFF"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatLanguageId(c.value), QString::fromLatin1(c.text));
}

TEST(VoiceCatalogue, DescriptionByLanguageFallsBackToTheDefault)
{
    const ObjectToken both = Token("both", {{kDefault, QStringLiteral("Both")}, {k804, QStringLiteral("两者")}});
    const ObjectToken onlyDefault = Token("plain", {{kDefault, QStringLiteral("Plain")}});
    const ObjectToken none = Token("none", {{QStringLiteral("Voice"), QStringLiteral("en-us")}});
    const struct
    {
        const ObjectToken* token;
        LANGID language;
        HRESULT result;
        const char* description;
    } cases[] = {
        {&both, 0x0804, S_OK, "两者"},
        {&both, 0x0409, S_OK, "Both"},
        {&both, 0x0401, S_OK, "Both"},
        {&onlyDefault, 0x0804, S_OK, "Plain"},
        {&none, 0x0804, SPERR_NOT_FOUND, ""},
    };
    for (const auto& c : cases) {
        QString description;
        EXPECT_EQ(GetTokenDescription(*c.token, c.language, description), c.result) << c.token->GetId().toStdString();
        EXPECT_EQ(description, QString::fromUtf8(c.description));
    }
}

TEST(VoiceCatalogue, ListIsSortedAndSelectsTheFirstVoiceWithoutPickingIt)
{
    auto platform = std::make_shared<CataloguePlatform>();
    SpeechEngine engine(platform);
    ASSERT_TRUE(engine.Initialize(nullptr));
    platform->SetVoices({
        Token("zulu", {{kDefault, QStringLiteral("Zulu")}, {k804, QStringLiteral("甲")}}),
        Token("alpha", {{kDefault, QStringLiteral("Alpha")}}),
        Token("nothing", {{QStringLiteral("Voice"), QStringLiteral("en-us")}}),  // left out
        Token("twin", {{kDefault, QStringLiteral("Alpha")}}),                     // equal text: kept
    });
    const LanguageGuard english("en_US.UTF-8");
    SortedList list;
    // The voice without a description is left out; the last one went in, so all is well.
    EXPECT_EQ(FillVoiceList(list, *platform), S_OK);
    EXPECT_EQ(list.Texts(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Alpha"), QStringLiteral("Zulu")}));
    ASSERT_EQ(list.selected, 2);
    EXPECT_EQ(list.GetSelectedToken()->GetId(), QStringLiteral("zulu"));
    EXPECT_EQ(list.entries[0].token->GetId(), QStringLiteral("alpha"));
    EXPECT_EQ(list.entries[1].token->GetId(), QStringLiteral("twin"));
    // Filling is no pick: the voice still speaks with the platform's default.
    TokenPtr current;
    engine.GetVoice()->GetVoice(current);
    EXPECT_NE(current, list.GetSelectedToken());

    const LanguageGuard chinese("zh_CN.UTF-8");
    SortedList chineseList;
    chineseList.refuseAfter = 2;  // the list runs out of room for the third voice
    EXPECT_EQ(FillVoiceList(chineseList, *platform), E_OUTOFMEMORY);
    EXPECT_EQ(chineseList.Texts(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("甲")}));
}

TEST(VoiceCatalogue, MissingCategoryLeavesTheListUntouched)
{
    auto platform = std::make_shared<Platform>();  // not started: no category at all
    SortedList list;
    EXPECT_EQ(FillTokenList(list, *platform, kVoicesCategoryId, {}, {}), SPERR_NO_MORE_ITEMS);
    EXPECT_TRUE(list.entries.empty());
    EXPECT_EQ(list.selected, -1);
}

TEST(VoiceCatalogue, BuiltInVoicesShowTheUsersLanguage)
{
    auto platform = std::make_shared<Platform>();
    ASSERT_EQ(platform->Start(), S_OK);
    const struct
    {
        const char* lang;
        const char* defaultVoice;
    } cases[] = {
        {"zh_CN.UTF-8", "中英双语（美式英语，男声 rms）"},
        {"en_US.UTF-8", "Bilingual Mandarin and American English (Flite rms, male)"},
    };
    for (const auto& c : cases) {
        const LanguageGuard language(c.lang);
        SortedList list;
        EXPECT_EQ(FillVoiceList(list, *platform), S_OK);
        // The first voice enumerated, the default, is the selected one wherever it sorts.
        EXPECT_EQ(list.entries[static_cast<std::size_t>(list.selected)].text, QString::fromUtf8(c.defaultVoice));
        EXPECT_TRUE(std::is_sorted(list.entries.begin(), list.entries.end(),
                                   [](const auto& a, const auto& b) { return a.text < b.text; }));
    }
    platform->Stop();
}

TEST(VoiceCatalogue, APickSwitchesTheVoiceUnlessItIsTheVoiceAlready)
{
    auto platform = std::make_shared<TestPlatform>();
    SpeechEngine engine(platform);
    ASSERT_TRUE(engine.Initialize(nullptr));
    const LanguageGuard english("en_US.UTF-8");
    SortedList list;
    ASSERT_EQ(FillVoiceList(list, *platform), S_OK);
    const auto select = [&](const QString& description) {
        for (std::size_t i = 0; i < list.entries.size(); ++i) {
            if (list.entries[i].text == description)
                list.selected = static_cast<int>(i);
        }
        return list.GetSelectedToken();
    };

    // The next sound shows the pick: it is the picked voice's sound, not the default's. Flite's
    // voices vary a little from call to call, so lengths are compared within 5 %.
    const QString word = QStringLiteral("computer");
    const TokenPtr espeak = select(QStringLiteral("Bilingual Mandarin and American English (eSpeak NG)"));
    ASSERT_TRUE(espeak);
    const auto espeakLength = static_cast<double>(SynthesiseDirectly(*platform, word, espeak.get()).size());
    const auto fliteLength = static_cast<double>(SynthesiseDirectly(*platform, word).size());
    ASSERT_GT(std::abs(espeakLength - fliteLength), espeakLength * 0.1) << "the two voices must differ to tell them apart";
    ASSERT_EQ(engine.SelectVoiceFromList(&list), S_OK);
    TokenPtr current;
    engine.GetVoice()->GetVoice(current);
    EXPECT_EQ(current, espeak);
    ASSERT_EQ(engine.SpeakText(word, 0), S_OK);
    const std::vector<SoundRecorder::Session> sessions = platform->recorder->Sessions();
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_LT(std::abs(sessions[0].bytes.size() / 2.0 - espeakLength), espeakLength * 0.05);

    // Picking the voice that speaks does not cut it off; another pick does.
    platform->recorder->HoldWritesIn(1);
    ASSERT_EQ(engine.SpeakText(QStringLiteral("one two three four five six seven eight"), Voice::kSpeakAsync), S_OK);
    ASSERT_TRUE(platform->recorder->WaitForSound(1));
    ASSERT_EQ(engine.SelectVoiceFromList(&list), S_OK);
    Voice::Status status;
    engine.GetVoice()->GetStatus(status);
    EXPECT_TRUE(status.running);
    select(QStringLiteral("Bilingual Mandarin and American English (Flite slt, female)"));
    ASSERT_EQ(engine.SelectVoiceFromList(&list), S_OK);
    EXPECT_EQ(engine.GetVoice()->WaitUntilDone(Voice::kInfinite), S_OK);
    EXPECT_TRUE(platform->recorder->Sessions()[1].discarded);
    engine.GetVoice()->GetVoice(current);
    EXPECT_EQ(current, list.GetSelectedToken());

    // No list: the default voice.
    ASSERT_EQ(engine.SelectVoiceFromList(nullptr), S_OK);
    engine.GetVoice()->GetVoice(current);
    QString latin;
    current->GetStringValue(QStringLiteral("LatinVoice"), latin);
    EXPECT_EQ(latin, QStringLiteral("flite/rms"));
}

TEST(VoiceCatalogue, ShortIdsAreLowerCaseAsciiUniqueAndTheSameEachTime)
{
    auto platform = std::make_shared<Platform>();
    ASSERT_EQ(platform->Start(), S_OK);
    const LanguageGuard english("en_US.UTF-8");
    const std::vector<VoiceInfo> voices = ListVoices(*platform);
    const std::vector<VoiceInfo> again = ListVoices(*platform);
    ASSERT_GT(voices.size(), 20u);
    ASSERT_EQ(again.size(), voices.size());
    const QRegularExpression typeable(QStringLiteral("^[a-z0-9]+(-[a-z0-9]+)*$"));
    QStringList ids;
    for (std::size_t i = 0; i < voices.size(); ++i) {
        EXPECT_TRUE(typeable.match(voices[i].shortId).hasMatch()) << voices[i].shortId.toStdString();
        EXPECT_EQ(again[i].shortId, voices[i].shortId);
        EXPECT_EQ(ShortVoiceId(*voices[i].token), voices[i].shortId) << "no collision among the built-in voices";
        ids << voices[i].shortId;
    }
    EXPECT_EQ(ids.removeDuplicates(), 0);
    EXPECT_EQ(ids.mid(0, 6).join(u' ').toStdString(),
              "flite-rms flite-slt flite-kal16 flite-awb espeak-en-us espeak-en-gb-x-rp");
    EXPECT_TRUE(ids.contains(u"espeak-ng-en-us"_qs));
    EXPECT_TRUE(ids.contains(u"espeak-ng-cmn-latn-pinyin"_qs));

    // The window lists the same voices under the same descriptions.
    SortedList list;
    ASSERT_EQ(FillVoiceList(list, *platform), S_OK);
    ASSERT_EQ(list.entries.size(), voices.size());
    for (const VoiceInfo& voice : voices) {
        EXPECT_EQ(std::count_if(list.entries.begin(), list.entries.end(),
                                [&](const SortedList::Entry& e) { return e.token->GetId() == voice.id && e.text == voice.description; }),
                  1) << voice.id.toStdString();
    }
    platform->Stop();
}

TEST(VoiceCatalogue, CollidingShortIdsStayWithTheFirstVoiceAndSkipIdsOthersAskFor)
{
    auto platform = std::make_shared<CataloguePlatform>();
    platform->SetVoices({
        Token("A\\Tokens\\Vendor Voice", {{kDefault, QStringLiteral("One")}}),
        Token("B\\Tokens\\vendor_voice", {{kDefault, QStringLiteral("Two")}}),
        Token("C\\Tokens\\VendorVoice", {{kDefault, QStringLiteral("Three")}}),
        Token("D\\Tokens\\Vendor Voice 2", {{kDefault, QStringLiteral("Four")}}),
        ObjectToken(QStringLiteral("E\\Tokens\\Çà-Ünï"), {{kDefault, QStringLiteral("Five")}}),
        ObjectToken(QStringLiteral("F\\Tokens\\中文"), {{kDefault, QStringLiteral("Six")}}),
        Token("G\\Tokens\\x", {{kDefault, QStringLiteral("Seven")}, {QStringLiteral("LatinVoice"), QStringLiteral("flite/kal16")}}),
        Token("H\\Tokens\\x", {{kDefault, QStringLiteral("Eight")}, {QStringLiteral("LatinVoice"), QStringLiteral("en-GB-x-rp")}}),
        Token("I\\Tokens\\x", {{kDefault, QStringLiteral("Nine")}, {QStringLiteral("Voice"), QStringLiteral("gmw/en-US")}}),
    });
    QStringList ids;
    for (const VoiceInfo& voice : ListVoices(*platform))
        ids << voice.shortId;
    EXPECT_EQ(ids.join(u' ').toStdString(),
              "vendor-voice vendor-voice-3 vendor-voice-4 vendor-voice-2 ca-uni voice flite-kal16 espeak-en-gb-x-rp "
              "espeak-ng-en-us");
}

TEST(VoiceCatalogue, FindVoiceTakesAShortIdFirstThenALongIdThenPartOfADescription)
{
    auto platform = std::make_shared<CataloguePlatform>();
    platform->SetVoices({
        Token("X\\Tokens\\Alpha", {{kDefault, QStringLiteral("Alpha")},
                                   {k804, QStringLiteral("甲声")},
                                   {k409, QStringLiteral("Alpha voice, clearer than beta")}}),
        Token("X\\Tokens\\Beta", {{kDefault, QStringLiteral("Beta")}}),
        Token("X\\Tokens\\Engine\\piper/en_US-lessac-medium",
              {{kDefault, QStringLiteral("Piper")},
               {QStringLiteral("HanVoice"), QStringLiteral("cmn-latn-pinyin")},
               {QStringLiteral("LatinVoice"), QStringLiteral("engine:piper/en_US-lessac-medium")}}),
        Token("X\\Tokens\\Engine\\piper/zh_CN-huayan-medium",
              {{kDefault, QStringLiteral("Huayan")},
               {QStringLiteral("HanVoice"), QStringLiteral("engine:piper/zh_CN-huayan-medium")},
               {QStringLiteral("LatinVoice"), QStringLiteral("flite/rms")}}),
    });
    const LanguageGuard english("en_US.UTF-8");
    const std::vector<VoiceInfo> voices = ListVoices(*platform);
    ASSERT_EQ(voices.size(), 4u);
    const VoiceInfo* alpha = &voices[0];
    const VoiceInfo* beta = &voices[1];
    const VoiceInfo* piper = &voices[2];
    const VoiceInfo* huayan = &voices[3];
    EXPECT_EQ(piper->shortId, u"piper-en-us-lessac-medium"_qs);
    // A speech program's Chinese voice is named by itself, and may read another voice's Chinese.
    EXPECT_EQ(huayan->shortId, u"piper-zh-cn-huayan-medium"_qs);
    EXPECT_TRUE(huayan->chinese);
    EXPECT_FALSE(piper->chinese || alpha->chinese);
    const struct
    {
        const char* text;
        const VoiceInfo* found;
        const VoiceInfo* foundById;
    } cases[] = {
        {"beta", beta, beta},                  // the short id wins over an earlier description
        {"ALPHA", alpha, alpha},               // short ids ignore case
        {"X\\Tokens\\Beta", beta, beta},       // the long id, exactly
        {"x\\tokens\\beta", nullptr, nullptr}, // the long id only as it is
        {"Tokens", nullptr, nullptr},          // a part of an id is no description
        {"甲", alpha, nullptr},                // the Chinese description in an English session
        {"VOICE", alpha, nullptr},             // the English one
        {"", nullptr, nullptr},
        {"gamma", nullptr, nullptr},
        // A Piper voice by its file's name, as it is written, or its short id in any case.
        {"piper-en_US-lessac-medium", piper, piper},
        {"PIPER-EN-US-LESSAC-MEDIUM", piper, piper},
        {"piper-zh_CN-huayan-medium", huayan, huayan},
        {"piper-en_us", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(FindVoice(voices, text), c.found) << c.text;
        EXPECT_EQ(FindVoiceById(voices, text), c.foundById) << c.text;
    }
}

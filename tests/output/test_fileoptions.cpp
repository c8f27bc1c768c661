#include <gtest/gtest.h>

#include <QCommandLineParser>

#include "output/fileoptions.h"
#include "output/soundoptions.h"

using speech::OutputFileType;

namespace {

Result<OutputFileOptions> Parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    AddOutputFileOptions(parser);
    if (!parser.parse(QStringList{QStringLiteral("lexovox-batch")} + arguments))
        return Fail(ComError(ResultCode::CommandLineUsage, parser.errorText()));
    return ReadOutputFileOptions(parser);
}

} // namespace

TEST(OutputFileOptions, DefaultsAreTheWindows)
{
    const auto wav = Parse({});
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->encoding, speech::FileEncoding());
    EXPECT_FALSE(wav->numbered);
    EXPECT_FALSE(wav->playlist);
    EXPECT_EQ(wav->Naming().extension, QStringLiteral("wav"));
    EXPECT_FALSE(wav->Naming().cardSafe);

    // Card-safe names follow the type unless asked for either way.
    const auto mp3 = Parse({QStringLiteral("--type"), QStringLiteral("mp3")});
    ASSERT_TRUE(mp3);
    EXPECT_EQ(mp3->encoding.mp3Kbps, 64);
    EXPECT_TRUE(mp3->IsCardSafe());
    EXPECT_FALSE(Parse({QStringLiteral("--type=opus"), QStringLiteral("--no-card-safe")})->IsCardSafe());
    EXPECT_TRUE(Parse({QStringLiteral("--card-safe")})->IsCardSafe());
}

TEST(OutputFileOptions, ReadsEveryOption)
{
    const auto options = Parse({QStringLiteral("--type=MP3"), QStringLiteral("--bitrate=128"),
                                QStringLiteral("--number"), QStringLiteral("--playlist"), QStringLiteral("--repeatable")});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->encoding, (speech::FileEncoding::Of(OutputFileType::Mp3, 128)));
    EXPECT_TRUE(options->numbered);
    EXPECT_TRUE(options->playlist);
    EXPECT_TRUE(options->repeatable);
    EXPECT_EQ(options->Naming().extension, QStringLiteral("mp3"));
    EXPECT_TRUE(options->Naming().numbered);
}

TEST(OutputFileOptions, RefusesWhatCannotBeWritten)
{
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("--type=flac")}, QStringList{QStringLiteral("--bitrate=16")},
          QStringList{QStringLiteral("--bitrate=321")}, QStringList{QStringLiteral("--bitrate=fast")},
          QStringList{QStringLiteral("--card-safe"), QStringLiteral("--no-card-safe")}}) {
        const Result<OutputFileOptions> refused = Parse(arguments);
        ASSERT_FALSE(refused) << qPrintable(arguments.join(u' '));
        EXPECT_FALSE(refused.error().Subject().isEmpty());
    }
}

TEST(SoundOptions, ReadFromTheCommandLineAndCarriedToTheWorker)
{
    const auto read = [](const QStringList& arguments) {
        QCommandLineParser parser;
        AddSoundOptions(parser);
        EXPECT_TRUE(parser.parse(QStringList{QStringLiteral("lexovox-batch")} + arguments));
        return ReadSoundOptions(parser);
    };
    const Result<SoundOptions> defaults = read({});
    ASSERT_TRUE(defaults);
    EXPECT_EQ(*defaults, SoundOptions());
    EXPECT_EQ(defaults->loudnessLufs, -18.0);

    const Result<SoundOptions> given =
        read({u"--repeat"_qs, u"2"_qs, u"--pause"_qs, u"1500"_qs, u"--lead"_qs, u"0"_qs, u"--trail"_qs, u"2000"_qs,
              u"--no-loudness"_qs, u"--rate"_qs, u"80"_qs, u"--rate-chinese"_qs, u"120"_qs});
    ASSERT_TRUE(given);
    speech::FileEncoding encoding = speech::FileEncoding::Of(OutputFileType::Mp3, 96);
    given->ApplyTo(encoding);
    EXPECT_EQ(encoding.trailMs, 2000);
    EXPECT_FALSE(encoding.loudnessLufs);

    const WordSpeech speech = given->Speech({}, nullptr, false);
    EXPECT_EQ(speech.Compose(u"go"_qs, {}), u"go;"_qs + PauseMark(1500) + u"go;"_qs);
}

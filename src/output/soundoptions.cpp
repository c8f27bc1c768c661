#include "output/soundoptions.h"

#include <cmath>

#include <QCommandLineParser>

namespace {

const QString kRepeat = QStringLiteral("repeat");
const QString kPause = QStringLiteral("pause");
const QString kLead = QStringLiteral("lead");
const QString kTrail = QStringLiteral("trail");
const QString kLoudness = QStringLiteral("loudness");
const QString kNoLoudness = QStringLiteral("no-loudness");
const QString kRate = QStringLiteral("rate");
const QString kRateChinese = QStringLiteral("rate-chinese");
const QString kPronunciations = QStringLiteral("pronunciations");

} // namespace

QString SoundOptions::PronunciationsPath() const
{
    return pronunciations.isEmpty() ? DefaultPronunciationsPath() : pronunciations;
}

void SoundOptions::ApplyTo(speech::FileEncoding& encoding) const
{
    encoding.leadMs = leadMs;
    encoding.trailMs = trailMs;
    encoding.loudnessLufs = loudnessLufs;
}

WordSpeech SoundOptions::Speech(SpeechOptions options, std::shared_ptr<const PronunciationList> list,
                                bool phonemesReadable) const
{
    WordSpeech speech(options);
    speech.repeat = repeat;
    speech.pauseMs = pauseMs;
    speech.pronunciations = std::move(list);
    speech.phonemesReadable = phonemesReadable;
    speech.chineseWords = ChineseWords::Shipped();
    return speech;
}

void AddSoundOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        {kRepeat, QStringLiteral("Say each word N times, 1 to %1 (default 1).").arg(kMaxRepeat), QStringLiteral("N")},
        {kPause, QStringLiteral("Pause between the parts of a word and between repeats, 0 to %1 ms "
                                "(default: each part's usual pause).").arg(kMaxPauseMs), QStringLiteral("MS")},
        {kLead, QStringLiteral("Silence before each file's sound, 0 to %1 ms (default %2).")
                    .arg(speech::FileEncoding::kMaxSilenceMs).arg(SoundOptions::kDefaultLeadMs), QStringLiteral("MS")},
        {kTrail, QStringLiteral("Silence after it, 0 to %1 ms (default %2).")
                     .arg(speech::FileEncoding::kMaxSilenceMs).arg(SoundOptions::kDefaultTrailMs), QStringLiteral("MS")},
        {kLoudness, QStringLiteral("Bring every file to this loudness, %1 to %2 LUFS (default %3).")
                        .arg(speech::FileEncoding::kMinLoudnessLufs).arg(speech::FileEncoding::kMaxLoudnessLufs)
                        .arg(SoundOptions::kDefaultLoudnessLufs), QStringLiteral("LUFS")},
        {kNoLoudness, QStringLiteral("Leave each file as loud as the voice speaks.")},
        {kRate, QStringLiteral("Speaking rate of English, %1 to %2 percent (default 100).")
                    .arg(speech::kMinRatePercent).arg(speech::kMaxRatePercent), QStringLiteral("PERCENT")},
        {kRateChinese, QStringLiteral("Speaking rate of Chinese, %1 to %2 percent (default 100).")
                           .arg(speech::kMinRatePercent).arg(speech::kMaxRatePercent), QStringLiteral("PERCENT")},
        {kPronunciations, QStringLiteral("The pronunciation list to use (default %1, when it exists).")
                              .arg(DefaultPronunciationsPath()), QStringLiteral("FILE")},
    });
}

Result<SoundOptions> ReadSoundOptions(const QCommandLineParser& parser)
{
    QString reason;
    SoundOptions options;
    const auto number = [&](const QString& name, int low, int high, int& value) {
        if (!reason.isEmpty() || !parser.isSet(name))
            return;
        bool ok = false;
        const int given = parser.value(name).toInt(&ok);
        if (!ok || given < low || given > high)
            reason = QStringLiteral("--%1 takes a number from %2 to %3").arg(name).arg(low).arg(high);
        else
            value = given;
    };
    number(kRepeat, 1, kMaxRepeat, options.repeat);
    number(kPause, 0, kMaxPauseMs, options.pauseMs);
    number(kLead, 0, speech::FileEncoding::kMaxSilenceMs, options.leadMs);
    number(kTrail, 0, speech::FileEncoding::kMaxSilenceMs, options.trailMs);
    number(kRate, speech::kMinRatePercent, speech::kMaxRatePercent, options.englishRate);
    number(kRateChinese, speech::kMinRatePercent, speech::kMaxRatePercent, options.chineseRate);
    if (reason.isEmpty() && parser.isSet(kLoudness) && parser.isSet(kNoLoudness))
        reason = QStringLiteral("--loudness and --no-loudness contradict each other");
    if (reason.isEmpty() && parser.isSet(kLoudness)) {
        bool ok = false;
        const double lufs = parser.value(kLoudness).toDouble(&ok);
        if (!ok || !std::isfinite(lufs) || lufs < speech::FileEncoding::kMinLoudnessLufs || lufs > speech::FileEncoding::kMaxLoudnessLufs)
            reason = QStringLiteral("--loudness takes %1 to %2 LUFS")
                         .arg(speech::FileEncoding::kMinLoudnessLufs).arg(speech::FileEncoding::kMaxLoudnessLufs);
        else
            options.loudnessLufs = lufs;
    }
    if (parser.isSet(kNoLoudness))
        options.loudnessLufs.reset();
    if (!reason.isEmpty())
        return Fail(ComError(ResultCode::CommandLineUsage, reason));
    options.pronunciations = parser.value(kPronunciations);
    return options;
}

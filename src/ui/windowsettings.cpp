#include "ui/windowsettings.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "speech/audioformattable.h"
#include "ui/programsettings.h"

using speech::OutputFileType;

namespace {

// The lesson's sheet by name, so the stored value reads the same whatever the order of Sheet.
const std::pair<LessonOptions::Sheet, QString> kSheetNames[] = {
    {LessonOptions::Sheet::None, u"none"_qs},
    {LessonOptions::Sheet::Blank, u"blank"_qs},
    {LessonOptions::Sheet::Chinese, u"chinese"_qs},
};

} // namespace

WindowSettings LoadWindowSettings()
{
    const std::unique_ptr<QSettings> store = ProgramSettings();
    WindowSettings s;
    s.folder = store->value(u"window/folder"_qs).toString();
    s.voiceId = store->value(u"window/voice"_qs).toString();
    s.formatCode = store->value(u"window/format"_qs, -1).toInt();
    s.spellOut = store->value(u"window/spellOut"_qs, false).toBool();
    s.chineseMeaning = store->value(u"window/chineseMeaning"_qs, false).toBool();
    s.prefix = store->value(u"window/prefix"_qs, false).toBool();
    s.skipExisting = store->value(u"window/skipExisting"_qs, false).toBool();
    s.files.encoding.type =
        speech::FileTypeFromName(store->value(u"files/type"_qs).toString()).value_or(OutputFileType::Wav);
    // Whether the format takes the rate is for the options dialog to show and the run to check.
    bool kbpsRead = false;
    const int kbps = store->value(u"files/bitrate"_qs).toInt(&kbpsRead);
    s.files.encoding.mp3Kbps = kbpsRead ? std::clamp(kbps, speech::FileEncoding::kMinMp3Kbps, speech::FileEncoding::kMaxMp3Kbps)
                                        : speech::FileEncoding::kDefaultMp3Kbps;
    s.files.numbered = store->value(u"files/numbered"_qs, false).toBool();
    s.files.playlist = store->value(u"files/playlist"_qs, false).toBool();
    s.files.repeatable = store->value(u"files/repeatable"_qs, false).toBool();
    if (const QVariant cardSafe = store->value(u"files/cardSafe"_qs); cardSafe.isValid())
        s.files.cardSafe = cardSafe.toBool();

    // Values from another version or a hand-edited file are brought into range.
    SoundOptions& sound = s.sound;
    const auto number = [&store](const QString& key, int fallback, int low, int high) {
        return std::clamp(store->value(key, fallback).toInt(), low, high);
    };
    sound.repeat = number(u"sound/repeat"_qs, sound.repeat, 1, kMaxRepeat);
    sound.pauseMs = number(u"sound/pause"_qs, sound.pauseMs, -1, kMaxPauseMs);
    sound.leadMs = number(u"sound/lead"_qs, sound.leadMs, 0, speech::FileEncoding::kMaxSilenceMs);
    sound.trailMs = number(u"sound/trail"_qs, sound.trailMs, 0, speech::FileEncoding::kMaxSilenceMs);
    sound.englishRate = number(u"sound/rate"_qs, sound.englishRate, speech::kMinRatePercent, speech::kMaxRatePercent);
    sound.chineseRate = number(u"sound/rateChinese"_qs, sound.chineseRate, speech::kMinRatePercent, speech::kMaxRatePercent);
    if (store->value(u"sound/loudnessOn"_qs, true).toBool()) {
        // clamp() lets NaN through, and a file edited by hand may hold "nan".
        bool ok = false;
        const double lufs = store->value(u"sound/loudness"_qs, SoundOptions::kDefaultLoudnessLufs).toDouble(&ok);
        sound.loudnessLufs = ok && std::isfinite(lufs) ? std::clamp(lufs, speech::FileEncoding::kMinLoudnessLufs,
                                                                    speech::FileEncoding::kMaxLoudnessLufs)
                                                       : SoundOptions::kDefaultLoudnessLufs;
    } else {
        sound.loudnessLufs.reset();
    }
    sound.pronunciations = store->value(u"sound/pronunciations"_qs).toString();

    LessonOptions& lesson = s.lesson;
    lesson.track = store->value(u"lesson/track"_qs, false).toBool();
    // Unlike the sound's numbers, a pause out of range is not clamped: the usual pause surprises
    // a class less than the shortest or the longest.
    bool pauseRead = false;
    const int pauseMs = store->value(u"lesson/pause"_qs).toInt(&pauseRead);
    if (pauseRead && pauseMs >= LessonOptions::kMinPauseMs && pauseMs <= LessonOptions::kMaxPauseMs)
        lesson.pauseMs = pauseMs;
    const QString sheet = store->value(u"lesson/sheet"_qs).toString();
    for (const auto& [value, name] : kSheetNames) {
        if (name == sheet)
            lesson.sheet = value;
    }
    lesson.key = store->value(u"lesson/key"_qs, false).toBool();
    return s;
}

void SaveWindowSettings(const WindowSettings& s)
{
    const std::unique_ptr<QSettings> store = ProgramSettings();
    store->setValue(u"window/folder"_qs, s.folder);
    store->setValue(u"window/voice"_qs, s.voiceId);
    store->setValue(u"window/format"_qs, s.formatCode);
    store->setValue(u"window/spellOut"_qs, s.spellOut);
    store->setValue(u"window/chineseMeaning"_qs, s.chineseMeaning);
    store->setValue(u"window/prefix"_qs, s.prefix);
    store->setValue(u"window/skipExisting"_qs, s.skipExisting);
    store->setValue(u"files/type"_qs, speech::FileTypeExtension(s.files.encoding.type));
    store->setValue(u"files/bitrate"_qs, s.files.encoding.mp3Kbps);
    store->setValue(u"files/numbered"_qs, s.files.numbered);
    store->setValue(u"files/playlist"_qs, s.files.playlist);
    store->setValue(u"files/repeatable"_qs, s.files.repeatable);
    if (s.files.cardSafe)
        store->setValue(u"files/cardSafe"_qs, *s.files.cardSafe);
    else
        store->remove(u"files/cardSafe"_qs);
    store->setValue(u"sound/repeat"_qs, s.sound.repeat);
    store->setValue(u"sound/pause"_qs, s.sound.pauseMs);
    store->setValue(u"sound/lead"_qs, s.sound.leadMs);
    store->setValue(u"sound/trail"_qs, s.sound.trailMs);
    store->setValue(u"sound/rate"_qs, s.sound.englishRate);
    store->setValue(u"sound/rateChinese"_qs, s.sound.chineseRate);
    store->setValue(u"sound/loudnessOn"_qs, s.sound.loudnessLufs.has_value());
    if (s.sound.loudnessLufs)
        store->setValue(u"sound/loudness"_qs, *s.sound.loudnessLufs);
    store->setValue(u"sound/pronunciations"_qs, s.sound.pronunciations);
    store->setValue(u"lesson/track"_qs, s.lesson.track);
    store->setValue(u"lesson/pause"_qs, s.lesson.pauseMs);
    for (const auto& [value, name] : kSheetNames) {
        if (value == s.lesson.sheet)
            store->setValue(u"lesson/sheet"_qs, name);
    }
    store->setValue(u"lesson/key"_qs, s.lesson.key);
}

int RunFormatCode(int formatCode)
{
    return formatCode >= 0 ? formatCode : speech::AudioFormatTable[speech::kUnreadableFormatEntry].code;
}

BatchJob JobFromWindow(const WindowSettings& settings, const WordSource& source, std::vector<WordEntry> rows)
{
    BatchJob job;
    job.source = source;
    job.rows = std::move(rows);
    job.folder = settings.folder;
    job.voiceId = settings.voiceId;
    job.formatCode = RunFormatCode(settings.formatCode);
    job.speech = {settings.spellOut, settings.chineseMeaning, settings.prefix};
    job.files = settings.files;
    job.sound = settings.sound;
    job.lesson = settings.lesson;
    job.lesson.perWord = true;  // the window has no lesson without the words' own files
    job.skipExisting = settings.skipExisting;
    return job;
}

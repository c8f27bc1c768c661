#include "output/joboptions.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

#include <QJsonValue>

#include "output/batchjob.h"
#include "speech/composeutterance.h"
#include "speech/pronunciations.h"
#include "speech/speakingrate.h"

namespace {

using namespace Qt::Literals::StringLiterals;
using speech::FileEncoding;

template <class T>
struct IsOptional : std::false_type
{
    using Value = T;
};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type
{
    using Value = T;
};

constexpr QLatin1StringView kFileTypes[] = {"wav"_L1, "mp3"_L1, "opus"_L1};
constexpr QLatin1StringView kSheets[] = {"none"_L1, "blank"_L1, "chinese"_L1};

QString usualPause() { return QStringLiteral("each part's usual pause"); }
QString usualCardSafe() { return QStringLiteral("for mp3 and opus"); }
QString usualChineseVoice() { return QStringLiteral("eSpeak NG's Mandarin"); }
QString usualJobs() { return QStringLiteral("one per core"); }
QString usualPronunciations() { return DefaultPronunciationsPath() + QStringLiteral(", when it exists"); }

// Each option once. A new option of a run is a line here and a member of BatchJob.
const JobOption kOptions[] = {
    {.json = "speech.spell"_L1, .setting = "window/spellOut"_L1, .flag = "spell"_L1,
     .help = "Spell each word after it (拼读).",
     .field = [](BatchJob& j) -> JobOptionField { return &j.speech.spellOut; }},
    {.json = "speech.meaning"_L1, .setting = "window/chineseMeaning"_L1, .flag = "meaning"_L1,
     .help = "Say the Chinese meaning (汉意).",
     .field = [](BatchJob& j) -> JobOptionField { return &j.speech.chineseMeaning; }},
    {.json = "speech.labels"_L1, .setting = "window/prefix"_L1, .flag = "labels"_L1,
     .help = "Introduce each piece with a spoken label (前缀).",
     .field = [](BatchJob& j) -> JobOptionField { return &j.speech.prefix; }},

    {.json = "files.type"_L1, .setting = "files/type"_L1, .flag = "type"_L1, .valueName = "type"_L1,
     .help = "File type: wav, mp3 or opus (default %3).", .names = kFileTypes,
     .field = [](BatchJob& j) -> JobOptionField { return &j.files.encoding.type; }},
    {.json = "files.bitrate"_L1, .setting = "files/bitrate"_L1, .flag = "bitrate"_L1, .valueName = "kbps"_L1,
     .help = "MP3 bit rate in kbps, one the format takes (default %3).",
     .low = FileEncoding::kMinMp3Kbps, .high = FileEncoding::kMaxMp3Kbps,
     .field = [](BatchJob& j) -> JobOptionField { return &j.files.encoding.mp3Kbps; }},
    {.json = "files.numbered"_L1, .setting = "files/numbered"_L1, .flag = "number"_L1,
     .help = "Number the files in list order: \"001 apple.mp3\".",
     .field = [](BatchJob& j) -> JobOptionField { return &j.files.numbered; }},
    {.json = "files.playlist"_L1, .setting = "files/playlist"_L1, .flag = "playlist"_L1,
     .help = "Write a playlist, <folder name>.m3u8, in the folder.",
     .field = [](BatchJob& j) -> JobOptionField { return &j.files.playlist; }},
    {.json = "files.cardSafe"_L1, .setting = "files/cardSafe"_L1, .flag = "card-safe"_L1,
     .offFlag = "no-card-safe"_L1, .help = "Names a FAT or exFAT card takes (default %3).",
     .offHelp = "Headwords as they are in the names (default for wav).",
     .field = [](BatchJob& j) -> JobOptionField { return &j.files.cardSafe; }, .usual = usualCardSafe},
    {.json = "files.repeatable"_L1, .setting = "files/repeatable"_L1, .flag = "repeatable"_L1,
     .help = "Make a word's file the same, byte for byte, whatever was spoken before it (slower).",
     .field = [](BatchJob& j) -> JobOptionField { return &j.files.repeatable; }},

    {.json = "sound.repeat"_L1, .setting = "sound/repeat"_L1, .flag = "repeat"_L1, .valueName = "N"_L1,
     .help = "Say each word N times, %1 to %2 (default %3).", .low = 1, .high = kMaxRepeat,
     .outOfRange = ResultCode::JobBadRepeat,
     .field = [](BatchJob& j) -> JobOptionField { return &j.sound.repeat; }},
    {.json = "sound.pause"_L1, .setting = "sound/pause"_L1, .flag = "pause"_L1, .valueName = "MS"_L1,
     .help = "Pause between the parts of a word and between repeats, %1 to %2 ms (default: %3).", .low = 0,
     .high = kMaxPauseMs, .outOfRange = ResultCode::JobBadPause,
     .field = [](BatchJob& j) -> JobOptionField { return &j.sound.pauseMs; }, .usual = usualPause},
    {.json = "sound.lead"_L1, .setting = "sound/lead"_L1, .flag = "lead"_L1, .valueName = "MS"_L1,
     .help = "Silence before each file's sound, %1 to %2 ms (default %3).", .low = 0,
     .high = FileEncoding::kMaxSilenceMs, .outOfRange = ResultCode::JobBadSilence,
     .field = [](BatchJob& j) -> JobOptionField { return &j.sound.leadMs; }},
    {.json = "sound.trail"_L1, .setting = "sound/trail"_L1, .flag = "trail"_L1, .valueName = "MS"_L1,
     .help = "Silence after it, %1 to %2 ms (default %3).", .low = 0, .high = FileEncoding::kMaxSilenceMs,
     .outOfRange = ResultCode::JobBadSilence,
     .field = [](BatchJob& j) -> JobOptionField { return &j.sound.trailMs; }},
    {.json = "sound.loudness"_L1, .setting = "sound/loudness"_L1, .flag = "loudness"_L1, .offFlag = "no-loudness"_L1,
     .valueName = "LUFS"_L1, .help = "Bring every file to this loudness, %1 to %2 LUFS (default %3).",
     .offHelp = "Leave each file as loud as the voice speaks.", .low = FileEncoding::kMinLoudnessLufs,
     .high = FileEncoding::kMaxLoudnessLufs, .outOfRange = ResultCode::JobBadLoudness,
     .settingOn = "sound/loudnessOn"_L1,
     .field = [](BatchJob& j) -> JobOptionField { return &j.sound.loudnessLufs; }},
    {.json = "sound.rate"_L1, .setting = "sound/rate"_L1, .flag = "rate"_L1, .valueName = "PERCENT"_L1,
     .help = "Speaking rate of English, %1 to %2 percent (default %3).", .low = speech::kMinRatePercent,
     .high = speech::kMaxRatePercent, .outOfRange = ResultCode::JobBadRate,
     .field = [](BatchJob& j) -> JobOptionField { return &j.sound.englishRate; }},
    {.json = "sound.rateChinese"_L1, .setting = "sound/rateChinese"_L1, .flag = "rate-chinese"_L1,
     .valueName = "PERCENT"_L1, .help = "Speaking rate of Chinese, %1 to %2 percent (default %3).",
     .low = speech::kMinRatePercent, .high = speech::kMaxRatePercent, .outOfRange = ResultCode::JobBadRate,
     .field = [](BatchJob& j) -> JobOptionField { return &j.sound.chineseRate; }},
    {.json = "sound.pronunciations"_L1, .setting = "sound/pronunciations"_L1, .flag = "pronunciations"_L1,
     .valueName = "FILE"_L1, .help = "The pronunciation list to use (default %3).",
     .field = [](BatchJob& j) -> JobOptionField { return &j.sound.pronunciations; }, .usual = usualPronunciations},
    {.json = "sound.chineseVoice"_L1, .setting = "sound/chineseVoice"_L1, .flag = "chinese-voice"_L1,
     .valueName = "ID"_L1,
     .help = "The voice that says the Chinese of a bilingual or English voice: a Chinese voice's id as "
             "--list-voices shows it (default: %3).",
     .field = [](BatchJob& j) -> JobOptionField { return &j.sound.chineseVoice; }, .usual = usualChineseVoice},

    {.json = "lesson.track"_L1, .setting = "lesson/track"_L1, .flag = "lesson"_L1,
     .help = "Make a dictation lesson: one track of all the words, each after its number and followed by a pause "
             "to write, with an LRC list of where each word begins, instead of one file per word.",
     .field = [](BatchJob& j) -> JobOptionField { return &j.lesson.track; }},
    // The window always writes the words' own files beside a lesson: it keeps no such choice.
    {.json = "lesson.perWord"_L1, .flag = "per-word"_L1, .needs = "lesson"_L1,
     .help = "With --lesson, write one file per word as well.",
     .field = [](BatchJob& j) -> JobOptionField { return &j.lesson.perWord; }},
    {.json = "lesson.pause"_L1, .setting = "lesson/pause"_L1, .flag = "lesson-pause"_L1, .needs = "lesson"_L1,
     .valueName = "MS"_L1, .help = "The pause to write after each word of the lesson, %1 to %2 ms (default %3).",
     .low = LessonOptions::kMinPauseMs, .high = LessonOptions::kMaxPauseMs,
     .outOfRange = ResultCode::JobBadLessonPause,
     .field = [](BatchJob& j) -> JobOptionField { return &j.lesson.pauseMs; }},
    {.json = "lesson.sheet"_L1, .setting = "lesson/sheet"_L1, .flag = "sheets"_L1, .valueName = "blank|chinese"_L1,
     .help = "Write the class's answer sheet (PDF): blank numbered lines, or the Chinese meanings to write the "
             "words for.",
     .names = kSheets, .field = [](BatchJob& j) -> JobOptionField { return &j.lesson.sheet; }},
    {.json = "lesson.key"_L1, .setting = "lesson/key"_L1, .flag = "key"_L1,
     .help = "Write the answer key (PDF): number, word and meaning.",
     .field = [](BatchJob& j) -> JobOptionField { return &j.lesson.key; }},

    {.json = "skipExisting"_L1, .setting = "window/skipExisting"_L1, .flag = "skip-existing"_L1,
     .help = "Leave words whose file exists alone.",
     .field = [](BatchJob& j) -> JobOptionField { return &j.skipExisting; }},
    // How many processes suits the machine a run is on, not the user: the window keeps none.
    {.json = "jobs"_L1, .flag = "jobs"_L1, .valueName = "N"_L1, .help = "Speak with N processes, %1 to %2 (default %3).",
     .low = 1, .high = BatchJob::kMaxJobs, .outOfRange = ResultCode::JobBadProcesses,
     .field = [](BatchJob& j) -> JobOptionField { return &j.jobs; }, .usual = usualJobs},
};

/// "sound.repeat" as the object and the member it names; a top-level member has no object.
std::pair<QString, QString> jsonPath(QLatin1StringView path)
{
    const qsizetype dot = path.indexOf(u'.');
    if (dot < 0)
        return {QString(), QString(path)};
    return {QString(path.left(dot)), QString(path.mid(dot + 1))};
}

QString number(double value)
{
    return QString::number(value, 'g', 10);
}

} // namespace

std::span<const JobOption> JobOptions()
{
    return kOptions;
}

const JobOption* JobOptionByFlag(QStringView flag)
{
    const auto found = std::find_if(std::begin(kOptions), std::end(kOptions),
                                    [&](const JobOption& o) { return !o.flag.isEmpty() && o.flag == flag; });
    return found != std::end(kOptions) ? &*found : nullptr;
}

QString JobOption::RangeText() const
{
    return u"%1–%2"_s.arg(number(low), number(high));
}

QString JobOption::DefaultText() const
{
    const QVariant value = JobOptionValue(*this, BatchJob{});
    if (usual && (!value.isValid() || value.toString().isEmpty()))
        return usual();
    return value.typeId() == QMetaType::Double ? number(value.toDouble()) : value.toString();
}

QString JobOption::HelpText() const
{
    QString text = QString::fromUtf8(help);
    if (text.contains(u"%1"))
        text = text.arg(number(low), number(high));
    if (text.contains(u"%3"))
        text.replace(u"%3"_s, DefaultText());
    return text;
}

QVariant JobOptionValue(const JobOption& option, const BatchJob& job)
{
    return std::visit(
        [&option](auto* field) -> QVariant {
            using T = std::remove_pointer_t<decltype(field)>;
            if constexpr (IsOptional<T>::value)
                return *field ? QVariant(**field) : QVariant();
            else if constexpr (std::is_enum_v<T>)
                return QString(option.names[std::size_t(*field)]);
            else
                return QVariant(*field);
        },
        option.In(job));
}

namespace {

template <class T>
bool convert(const QVariant& value, T& out)
{
    bool ok = true;
    if constexpr (std::is_same_v<T, bool>) {
        // QSettings gives "true"/"false" texts, the command line a switch's presence.
        if (value.typeId() == QMetaType::QString) {
            const QString text = value.toString();
            ok = text == u"true" || text == u"false";
            out = text == u"true";
        } else {
            ok = value.canConvert<bool>();
            out = value.toBool();
        }
    } else if constexpr (std::is_same_v<T, int>) {
        // 96 or "96", never 96.5 or "96 kbps".
        const double d = value.toDouble(&ok);
        ok = ok && std::isfinite(d) && d == std::trunc(d) && std::abs(d) < 1e9;
        out = ok ? int(d) : 0;
    } else if constexpr (std::is_same_v<T, double>) {
        out = value.toDouble(&ok);
        ok = ok && std::isfinite(out);  // "nan" reads as a number, and no range refuses it
    } else {
        ok = value.typeId() == QMetaType::QString;
        out = value.toString();
    }
    return ok;
}

} // namespace

bool SetJobOptionValue(const JobOption& option, BatchJob& job, const QVariant& value)
{
    return std::visit(
        [&](auto* field) {
            using T = std::remove_pointer_t<decltype(field)>;
            if constexpr (IsOptional<T>::value) {
                if (!value.isValid()) {
                    field->reset();
                    return true;
                }
                typename T::value_type given{};
                if (!convert(value, given))
                    return false;
                *field = given;
                return true;
            } else if constexpr (std::is_enum_v<T>) {
                const QString name = value.toString();
                const auto known = std::find(option.names.begin(), option.names.end(), name);
                if (value.typeId() != QMetaType::QString || known == option.names.end())
                    return false;
                *field = T(known - option.names.begin());
                return true;
            } else {
                T given{};
                if (!value.isValid() || !convert(value, given))
                    return false;
                *field = given;
                return true;
            }
        },
        option.In(job));
}

bool JobOptionInRange(const JobOption& option, const BatchJob& job)
{
    if (!option.HasRange())
        return true;
    const QVariant value = JobOptionValue(option, job);
    if (!value.isValid())
        return true;  // the usual, or off
    const double d = value.toDouble();
    return std::isfinite(d) && d >= option.low && d <= option.high;
}

void JobOptionsToJson(const BatchJob& job, QJsonObject& json)
{
    for (const JobOption& option : kOptions) {
        const QVariant value = JobOptionValue(option, job);
        if (!value.isValid())
            continue;  // an empty optional is a member left out
        const auto [object, member] = jsonPath(option.json);
        if (object.isEmpty()) {
            json[member] = QJsonValue::fromVariant(value);
        } else {
            QJsonObject inner = json[object].toObject();
            inner[member] = QJsonValue::fromVariant(value);
            json[object] = inner;
        }
    }
}

std::optional<QString> JobOptionsFromJson(const QJsonObject& json, BatchJob& job)
{
    for (const JobOption& option : kOptions) {
        const auto [object, member] = jsonPath(option.json);
        const QJsonValue value = object.isEmpty() ? json.value(member) : json.value(object).toObject().value(member);
        const bool optional = std::visit(
            [](auto* field) { return IsOptional<std::remove_pointer_t<decltype(field)>>::value; }, option.In(job));
        if (optional && value.isUndefined()) {
            SetJobOptionValue(option, job, {});
            continue;
        }
        // Each kind of value in its own JSON type: a number where a switch belongs is a fault.
        const QJsonValue::Type wanted = std::visit(
            [](auto* field) {
                using V = typename IsOptional<std::remove_pointer_t<decltype(field)>>::Value;
                if constexpr (std::is_same_v<V, bool>)
                    return QJsonValue::Bool;
                else if constexpr (std::is_arithmetic_v<V>)
                    return QJsonValue::Double;
                else
                    return QJsonValue::String;
            },
            option.In(job));
        if (value.type() != wanted || !SetJobOptionValue(option, job, value.toVariant()))
            return QString(option.json);
    }
    return std::nullopt;
}

const JobOption* JobOptionOutOfRange(const BatchJob& job)
{
    const auto out = std::find_if(std::begin(kOptions), std::end(kOptions), [&](const JobOption& option) {
        return option.outOfRange != 0 && !JobOptionInRange(option, job);
    });
    return out != std::end(kOptions) ? &*out : nullptr;
}

Result<void> CheckJobOptionRanges(const BatchJob& job)
{
    if (const JobOption* out = JobOptionOutOfRange(job))
        return Fail(ComError(out->outOfRange, out->RangeText()));
    return {};
}

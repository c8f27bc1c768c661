#include "output/batchoptions.h"

#include <optional>

#include <QCommandLineParser>
#include <QDir>

#include "output/outputpath.h"
#include "speech/audioformattable.h"
#include "vocab/wordlookup.h"

namespace {

const QString kOut = u"out"_qs;
const QString kCourse = u"course"_qs;
const QString kFindEn = u"find-en"_qs;
const QString kFindCh = u"find-ch"_qs;
const QString kWords = u"words"_qs;
const QString kVoice = u"voice"_qs;
const QString kFormat = u"format"_qs;
const QString kSpell = u"spell"_qs;
const QString kMeaning = u"meaning"_qs;
const QString kLabels = u"labels"_qs;
const QString kJobs = u"jobs"_qs;
const QString kSkipExisting = u"skip-existing"_qs;

Result<BatchJob> usage(const QString& text)
{
    return Fail(ComError(ResultCode::CommandLineUsage, text));
}

std::optional<int> formatCode(const QString& label)
{
    for (const speech::AudioFormatEntry& entry : speech::AudioFormatTable) {
        if (QString::fromUtf16(entry.label) == label)
            return entry.code;
    }
    return std::nullopt;
}

/// The one source the command line names, with a look-up's text as it is searched for.
Result<WordSource> readSource(const QCommandLineParser& parser)
{
    using Kind = WordSource::Kind;
    std::optional<WordSource> source;
    int given = 0;
    for (const auto& [name, kind] : {std::pair{kCourse, Kind::Course}, std::pair{kFindEn, Kind::EnglishLookUp},
                                     std::pair{kFindCh, Kind::ChineseLookUp}, std::pair{kWords, Kind::WordsFile}}) {
        if (parser.isSet(name)) {
            ++given;
            source = WordSource{kind, parser.value(name)};
        }
    }
    if (given != 1)
        return Fail(ComError(ResultCode::CommandLineUsage, u"give one of --course, --find-en, --find-ch or --words"_qs));
    if (source->kind == Kind::EnglishLookUp) {
        const std::optional<QString> text = EnglishLookUpText(source->text);
        if (!text)
            return Fail(ComError(ResultCode::CommandLineUsage, u"--find-en needs at least two letters"_qs));
        source->text = *text;
    } else if (source->kind == Kind::ChineseLookUp) {
        const std::optional<QString> text = ChineseLookUpText(source->text);
        if (!text)
            return Fail(ComError(ResultCode::CommandLineUsage, u"--find-ch needs at least one character"_qs));
        source->text = *text;
    }
    return *source;
}

} // namespace

void AddBatchJobOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        {{kOut, u"o"_qs}, u"Write the files into FOLDER."_qs, u"FOLDER"_qs},
        {kCourse, u"The words of a course book, named as the tree names it."_qs, u"NAME"_qs},
        {kFindEn, u"Words whose English contains TEXT."_qs, u"TEXT"_qs},
        {kFindCh, u"Words whose Chinese contains TEXT."_qs, u"TEXT"_qs},
        {kWords, u"The words of a UTF-8 CSV with columns en,ch."_qs, u"FILE"_qs},
        {kVoice, u"A voice's id as --list-voices shows it, or part of its description."_qs, u"TEXT"_qs},
        {kFormat, u"A format as the window lists it, e.g. \"16kHz 16 Bit 单声道\"."_qs, u"LABEL"_qs},
        {kSpell, u"Spell each word after it (拼读)."_qs},
        {kMeaning, u"Say the Chinese meaning (汉意)."_qs},
        {kLabels, u"Introduce each piece with a spoken label (前缀)."_qs},
        {kJobs, u"Speak with N processes (default: one per core)."_qs, u"N"_qs},
        {kSkipExisting, u"Leave words whose file exists alone."_qs},
    });
    AddOutputFileOptions(parser);
    AddSoundOptions(parser);
    AddLessonOptions(parser);
}

Result<BatchJob> ReadBatchJob(const QCommandLineParser& parser, const BatchDefaults& defaults)
{
    BatchJob job;
    Result<WordSource> source = readSource(parser);
    if (!source)
        return Fail(source.error());
    job.source = *source;
    if (!IsUsableOutputFolder(parser.value(kOut)))
        return usage(u"--out FOLDER is needed"_qs);
    job.folder = QDir(parser.value(kOut)).absolutePath();

    const Result<OutputFileOptions> files = ReadOutputFileOptions(parser);
    if (!files)
        return Fail(files.error());
    job.files = *files;
    const Result<SoundOptions> sound = ReadSoundOptions(parser);
    if (!sound)
        return Fail(sound.error());
    job.sound = *sound;
    const Result<LessonOptions> lesson = ReadLessonOptions(parser);
    if (!lesson)
        return Fail(lesson.error());
    job.lesson = *lesson;
    if (parser.isSet(kJobs)) {
        bool ok = false;
        job.jobs = parser.value(kJobs).toInt(&ok);
        if (!ok || job.jobs < 1 || job.jobs > BatchJob::kMaxJobs)
            return usage(u"--jobs takes a number from 1 to %1"_qs.arg(BatchJob::kMaxJobs));
    }

    job.voiceId = defaults.voiceId;
    if (parser.isSet(kVoice)) {
        const speech::VoiceInfo* found = speech::FindVoice(defaults.voices, parser.value(kVoice));
        if (parser.value(kVoice).isEmpty() || !found)
            return usage(u"no voice matches \"%1\" (see --list-voices)"_qs.arg(parser.value(kVoice)));
        job.voiceId = found->id;
    }
    job.formatCode = defaults.formatCode;
    if (parser.isSet(kFormat)) {
        const std::optional<int> code = formatCode(parser.value(kFormat));
        if (!code)
            return usage(u"no format \"%1\" (see --list-formats)"_qs.arg(parser.value(kFormat)));
        job.formatCode = *code;
    }
    job.speech = {parser.isSet(kSpell), parser.isSet(kMeaning), parser.isSet(kLabels)};
    job.skipExisting = parser.isSet(kSkipExisting);
    return job;
}

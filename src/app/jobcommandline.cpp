#include "jobcommandline.h"

#include <optional>

#include <QCommandLineParser>
#include <QDir>

#include "output/joboptions.h"
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

tl::unexpected<ComError> usage(const QString& text)
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

/// The options of JobOptions the command line gives; the defaults for the others.
Result<void> readOptions(const QCommandLineParser& parser, BatchJob& job)
{
    for (const JobOption& option : JobOptions()) {
        if (option.flag.isEmpty())
            continue;
        const QString flag(option.flag);
        const QString off(option.offFlag);
        const bool on = parser.isSet(flag);
        const bool turnedOff = !off.isEmpty() && parser.isSet(off);
        if (!on && !turnedOff)
            continue;
        if (on && turnedOff)
            return usage(u"--%1 and --%2 contradict each other"_qs.arg(flag, off));
        if (!option.needs.isEmpty() && !parser.isSet(QString(option.needs)))
            return usage(u"--%1 belongs to --%2"_qs.arg(turnedOff ? off : flag, QString(option.needs)));
        const bool isSwitch = option.valueName.isEmpty();
        // A switch turns its option on; --no-… turns it off, or leaves an optional number unset.
        const bool twoWay = std::holds_alternative<bool*>(option.In(job)) || std::holds_alternative<std::optional<bool>*>(option.In(job));
        const QVariant value = turnedOff ? (twoWay ? QVariant(false) : QVariant())
                               : isSwitch ? QVariant(true)
                                          : QVariant(option.names.empty() ? parser.value(flag) : parser.value(flag).toLower());
        if (!SetJobOptionValue(option, job, value)) {
            if (!option.names.empty()) {
                QStringList names;
                for (const QLatin1StringView name : option.names)
                    names.append(QString(name));
                return usage(u"--%1 takes %2, not \"%3\""_qs.arg(flag, names.join(u", "), parser.value(flag)));
            }
            return usage(u"--%1 takes a number, not \"%2\""_qs.arg(flag, parser.value(flag)));
        }
    }
    // A lesson on its own unless --per-word asks for the words' files as well.
    if (job.lesson.track && !parser.isSet(u"per-word"_qs))
        job.lesson.perWord = false;
    return {};
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
    });
    for (const JobOption& option : JobOptions()) {
        if (option.flag.isEmpty())
            continue;
        parser.addOption({QString(option.flag), option.HelpText(), QString(option.valueName)});
        if (!option.offFlag.isEmpty())
            parser.addOption({QString(option.offFlag), QString::fromUtf8(option.offHelp)});
    }
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
    if (Result<void> options = readOptions(parser, job); !options)
        return Fail(options.error());

    job.voiceId = defaults.voiceId;
    if (parser.isSet(kVoice)) {
        const speech::VoiceInfo* found = speech::FindVoice(defaults.voices, parser.value(kVoice));
        if (parser.value(kVoice).isEmpty() || !found)
            return usage(u"no voice matches \"%1\" (see --list-voices)"_qs.arg(parser.value(kVoice)));
        job.voiceId = found->id;
    }
    // Named as --list-voices shows it, kept as the worker selects it.
    if (const QString chinese = job.sound.chineseVoice; !chinese.isEmpty()) {
        const speech::VoiceInfo* found = speech::FindVoiceById(defaults.voices, chinese);
        if (!found || !found->chinese)
            return usage(u"--chinese-voice: \"%1\" is no Chinese voice (see --list-voices)"_qs.arg(chinese));
        job.sound.chineseVoice = found->id;
    }
    job.formatCode = defaults.formatCode;
    if (parser.isSet(kFormat)) {
        const std::optional<int> code = formatCode(parser.value(kFormat));
        if (!code)
            return usage(u"no format \"%1\" (see --list-formats)"_qs.arg(parser.value(kFormat)));
        job.formatCode = *code;
    }
    return job;
}

QString CommandLineFault(const BatchJob& job, const ComError& error)
{
    const JobOption* option = JobOptionOutOfRange(job);
    if (!option || option->outOfRange != error.Error() || option->flag.isEmpty())
        return error.ErrorMessage();
    return u"--%1: %2"_qs.arg(QString(option->flag), error.ErrorMessage());
}

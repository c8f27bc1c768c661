// lexovox-batch: the window's batch generation without a window, for scripts and whole word
// lists. See `lexovox-batch --help` and its manual page.

#include <algorithm>
#include <cstdio>

#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include "base/comerror.h"
#include "base/stopsignals.h"
#include "jobcommandline.h"
#include "output/batchengine.h"
#include "output/batchreport.h"
#include "output/batchwords.h"
#include "output/lesson/lessonrun.h"
#include "output/outputpath.h"
#include "output/runlisting.h"
#include "speech/audioformattable.h"
#include "speech/speechengine.h"
#include "speech/synthesiscalls.h"
#include "speech/voicecatalogue.h"
#include "vocab/connectionstring.h"
#include "vocab/coursecatalogue.h"
#include "vocab/ownlists.h"
#include "vocab/vocabularycourses.h"
#include "vocab/vocabularylocation.h"
#include "vocab/wordstore.h"

namespace {

constexpr int kAllWritten = 0;
constexpr int kSomeMissing = 1;
constexpr int kUsage = 2;

void print(std::FILE* to, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), to);
    std::fflush(to);
}

int usageError(const QString& text)
{
    print(stderr, QStringLiteral("lexovox-batch: %1\nTry 'lexovox-batch --help'.\n").arg(text));
    return kUsage;
}

QString progressLine(int done, int total, double wordsPerSecond, qint64 leftMs)
{
    QString line = QStringLiteral("\r%1/%2 words").arg(done).arg(total);
    if (wordsPerSecond > 0)
        line += QStringLiteral(" · %1 words/s").arg(wordsPerSecond, 0, 'f', 1);
    if (leftMs >= 0)
        line += QStringLiteral(" · about %1 s left").arg((leftMs + 999) / 1000);
    return line + QStringLiteral("\x1b[K");
}


const QCommandLineOption kVocabulary(u"vocabulary"_qs, u"The vocabulary file to read."_qs, u"FILE"_qs);
const QCommandLineOption kQuiet(u"quiet"_qs, u"No progress line."_qs);
const QCommandLineOption kDryRun(u"dry-run"_qs,
                                 u"Write nothing: print each word's file name and the texts each voice would be given, "
                                 "Chinese as the pinyin sent."_qs);
const QCommandLineOption kListVoices(u"list-voices"_qs, u"List the voices (id, then description) and stop."_qs);
const QCommandLineOption kListFormats(u"list-formats"_qs, u"List the formats and stop."_qs);
const QCommandLineOption kListCourses(u"list-courses"_qs,
                                      u"List the course books, then the own word lists under 我的词表, and stop."_qs);

/// The vocabulary, found as the window finds it; a file the window remembered is its own choice.
Result<WordStore> openVocabulary(const QCommandLineParser& parser)
{
    const VocabularyLocation location = FindVocabulary(ProgramVocabularySearch(parser.value(kVocabulary), {}));
    if (!location.found())
        return Fail(ComError(ResultCode::FileNotFound, location.tried.join(u", ")));
    WordStore store;
    if (Result<void> opened = store.Open(VocabularyConnectionString(location.path)); !opened)
        return Fail(opened.error());
    return store;
}

/// The names of the user's own lists, opened for reading; none when the user has made none.
Result<QStringList> openOwnLists(OwnLists& lists)
{
    if (!QFileInfo::exists(OwnLists::DefaultPath()))
        return QStringList();
    if (Result<void> opened = lists.OpenToRead(); !opened)
        return Fail(opened.error());
    return lists.Names();
}

int listCourses(const QCommandLineParser& parser)
{
    Result<WordStore> store = openVocabulary(parser);
    if (!store)
        return usageError(store.error().ErrorMessage());
    // Books of the tree first, then the vocabulary's own courses as the file names them.
    QStringList names;
    for (const CourseNode& node : CourseCatalogue()) {
        if (!node.isCategory())
            names.append(QString::fromUtf16(node.text));
    }
    const Result<QStringList> courses = VocabularyCourses(*store);
    if (!courses)
        return usageError(courses.error().ErrorMessage());
    names += CoursesOutsideCatalogue(*courses);
    for (const QString& name : names)
        print(stdout, name + u'\n');
    // Own lists after a heading of their own, as the window's tree shows them; lists that cannot
    // be read are said, the courses stay listed.
    OwnLists lists;
    Result<QStringList> own = openOwnLists(lists);
    if (own && !own->isEmpty())
        print(stdout, u"\n我的词表\n"_qs + own->join(u'\n') + u'\n');
    if (!own)
        print(stderr, u"lexovox-batch: %1\n"_qs.arg(own.error().ErrorMessage()));
    return kAllWritten;
}

/// What the speech engine starts with, for what the command line does not say.
BatchDefaults engineDefaults(const SpeechEngine& engine)
{
    const int entry = engine.GetOutputFormatIndex();
    return {speech::ListVoices(engine.GetPlatform()), engine.GetVoiceId(),
            speech::AudioFormatTable[std::size_t(entry >= 0 ? entry : speech::kUnreadableFormatEntry)].code};
}

/// --out names where the files go: a folder that is not there yet is made with its parents and
/// said on standard error, as batch tools do (a dry run says it would be). The window keeps its
/// own rule: a folder chosen in its browser is there.
Result<void> makeOutFolder(const QString& folder, const QCommandLineParser& parser)
{
    if (QFileInfo::exists(folder))
        return {};
    const bool dryRun = parser.isSet(kDryRun);
    if (!dryRun) {
        if (Result<void> made = MakeOutputFolder(folder); !made)
            return made;
    }
    if (!parser.isSet(kQuiet))
        print(stderr, QStringLiteral("lexovox-batch: %1 folder %2\n").arg(dryRun ? u"would create"_qs : u"created"_qs, folder));
    return {};
}

/// The job the command line describes, with its rows read, checked as the window checks it;
/// its folder made last, once nothing else stands in the way.
Result<BatchJob> readJob(const QCommandLineParser& parser, const BatchDefaults& defaults)
{
    Result<BatchJob> job = ReadBatchJob(parser, defaults);
    if (!job)
        return job;
    // Checked once, before anything is read or made: a folder --out is to make may be missing.
    if (Result<void> valid = job->Validate(BatchJob::FolderRule::MayBeMissing); !valid)
        return Fail(ComError(ResultCode::CommandLineUsage, CommandLineFault(*job, valid.error())));
    const bool course = job->source.kind == WordSource::Kind::Course;
    // An own list is a course too: its words need no vocabulary, but a course the vocabulary
    // has comes first.
    OwnLists lists;
    std::optional<ComError> listsFault;
    if (course) {
        if (const Result<QStringList> own = openOwnLists(lists); !own)
            listsFault = own.error();
    }
    std::optional<WordStore> store;
    if (job->source.kind != WordSource::Kind::WordsFile) {
        Result<WordStore> opened = openVocabulary(parser);
        if (!opened && !(course && lists.Has(job->source.text)))
            return Fail(opened.error());
        if (opened)
            store = std::move(*opened);
    }
    Result<std::vector<WordEntry>> rows = ReadSourceRows(job->source, store ? &*store : nullptr, &lists);
    if (!rows)
        return Fail(rows.error());
    job->rows = std::move(*rows);
    // A course name with a typo, or a look-up that finds nothing, is a mistake to point out,
    // not a run of no words; when the own lists could not be read, that may be why.
    if (job->rows.empty() && course)
        return Fail(ComError(ResultCode::CommandLineUsage,
                             u"no words in course \"%1\" (see --list-courses)%2"_qs.arg(
                                 job->source.text, listsFault ? u"; "_qs + listsFault->ErrorMessage() : QString())));
    if (job->rows.empty() && job->source.kind != WordSource::Kind::WordsFile)
        return Fail(ComError(ResultCode::CommandLineUsage, u"no word matches \"%1\""_qs.arg(job->source.text)));
    if (job->rows.empty())
        return Fail(ComError(ResultCode::CommandLineUsage, u"no words in %1"_qs.arg(job->source.text)));
    if (Result<void> made = makeOutFolder(job->folder, parser); !made)
        return Fail(made.error());
    return job;
}

void printReport(const BatchReport& report, bool quiet)
{
    for (const BatchFailure& failure : report.failures)
        print(stderr, QStringLiteral("lexovox-batch: %1: %2\n").arg(failure.headword, failure.reason));
    if (quiet)
        return;
    const QString overwritten = report.overwritten > 0
                                    ? QStringLiteral(" (%1 more replaced by a later word of the same name)").arg(report.overwritten)
                                    : QString();
    const QString seconds = QString::number(double(report.elapsedMs) / 1000.0, 'f', 1);
    // A lesson without the words' own files says what its track holds, not "0 written".
    const QString lesson = LessonTrackSummary(report);
    if (report.total > 0 || lesson.isEmpty())
        print(stderr, QStringLiteral("%1 written%6, %2 skipped, %3 failed%4 in %5 s\n")
                          .arg(report.written)
                          .arg(report.skipped)
                          .arg(report.failed)
                          .arg(report.stopped ? QStringLiteral(", stopped") : QString())
                          .arg(seconds)
                          .arg(overwritten));
    if (!lesson.isEmpty())
        print(stderr, QStringLiteral("lesson: %1%2\n").arg(lesson, report.total > 0 ? QString() : u", made in %1 s"_qs.arg(seconds)));
    for (const QString& file : report.lessonFiles) {
        if (file != report.lessonTrack)
            print(stderr, QStringLiteral("lesson: %1\n").arg(file));
    }
}

/// Runs `job` over `words` on the event loop, with a progress line on a terminal; the exit status.
int runBatch(const BatchJob& job, PlannedRun run, bool quiet)
{
    BatchEngine batch;
    const bool showProgress = !quiet && isatty(STDERR_FILENO);
    QElapsedTimer clock;
    QObject::connect(&batch, &BatchEngine::progress, &batch, [&](int done, int total) {
        if (showProgress) {
            const double seconds = double(clock.elapsed()) / 1000.0;
            print(stderr, progressLine(done, total, seconds > 0 ? done / seconds : 0, batch.RemainingMs()));
        }
    });
    int status = kAllWritten;
    QObject::connect(&batch, &BatchEngine::finished, &batch, [&](const BatchReport& report) {
        if (showProgress)
            print(stderr, QStringLiteral("\n"));
        printReport(report, quiet);
        status = StopSignals::Received() != 0                ? 128 + StopSignals::Received()
                 : report.Missing() > 0 || report.failed > 0 ? kSomeMissing
                                                             : kAllWritten;
        QCoreApplication::quit();
    });

    // Ctrl+C and kill stop like the window's 停止: the words in progress finish, nothing is cut.
    StopSignals::Install();
    StopSignals::OnReceived(&batch, [&batch] { batch.Stop(); });

    clock.start();
    batch.Start(job, std::move(run.words), LessonRun::For(job, std::move(run.lesson)));
    QCoreApplication::exec();
    return status;
}

/// Prints what a run of `job` would write and say, and writes nothing; the exit status a run
/// would have as far as it can be told without speaking.
int dryRun(const BatchJob& job, const PlannedRun& run, const BatchDefaults& defaults, bool quiet)
{
    const std::vector<BatchWord>& words = run.words;
    const speech::VoiceInfo* voice = speech::FindVoiceById(defaults.voices, job.voiceId);
    const speech::VoiceInfo* chinese = speech::FindVoiceById(defaults.voices, job.sound.chineseVoice);
    print(stdout, RunListing(job, words, run.lesson, voice ? voice->token : nullptr,
                             chinese && chinese->token ? speech::ChineseEngineVoice(*chinese->token) : QByteArray()));
    const auto missing = std::count_if(words.begin(), words.end(), [](const BatchWord& w) { return w.path.isEmpty(); });
    if (!quiet)
        print(stderr, QStringLiteral("dry run: %1 words, %2 without a file%3; nothing written\n")
                          .arg(words.size())
                          .arg(missing)
                          .arg(run.lesson.empty() ? QString() : QStringLiteral(", a lesson of %1 words").arg(run.lesson.size())));
    return missing > 0 ? kSomeMissing : kAllWritten;
}

/// Speaks the words the command line names; the exit status.
int generate(const QCommandLineParser& parser)
{
    SpeechEngine engine;
    if (const Result<void> started = engine.Initialize(nullptr); !started)
        return usageError(started.error().ErrorMessage());
    const BatchDefaults defaults = engineDefaults(engine);
    if (parser.isSet(kListVoices)) {
        for (const speech::VoiceInfo& v : defaults.voices)
            print(stdout, QStringLiteral("%1\t%2\n").arg(v.shortId, v.description));
        return kAllWritten;
    }
    const Result<BatchJob> job = readJob(parser, defaults);
    if (!job)
        return usageError(job.error().ErrorMessage());
    const auto voice = std::find_if(defaults.voices.begin(), defaults.voices.end(),
                                    [&](const speech::VoiceInfo& v) { return v.id == job->voiceId; });
    // Validated as it was read.
    const Result<PlannedRun> run = PlanRun(*job, voice != defaults.voices.end() && voice->readsPhonemes);
    if (!run)
        return usageError(run.error().ErrorMessage());
    // A malformed line of the pronunciation list is named and skipped.
    for (const PronunciationProblem& problem : run->problems)
        print(stderr, QStringLiteral("lexovox-batch: %1: %2\n").arg(run->pronunciationsPath,
                                                                     PronunciationProblemText(problem, false)));
    const speech::TokenPtr token = voice != defaults.voices.end() ? voice->token : nullptr;
    // Said here once: the speech processes' own standard error is not shown.
    if (const QString notice = RateNotice(token.get(), job->sound.englishRate); !notice.isEmpty())
        print(stderr, QStringLiteral("lexovox-batch: %1\n").arg(notice));
    if (parser.isSet(kDryRun))
        return dryRun(*job, *run, defaults, parser.isSet(kQuiet));
    return runBatch(*job, *run, parser.isSet(kQuiet));
}

/// Whether the command line asks for a lesson's sheets, which are painted with fonts and so need
/// a GUI application; other runs start without one.
bool printsSheets(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        if (argument == "--key" || argument == "--sheets" || argument.startsWith("--sheets="))
            return true;
    }
    return false;
}

QtMessageHandler g_messages = nullptr;

void withoutRuntimeFolderWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.startsWith(u"QStandardPaths: XDG_RUNTIME_DIR not set"))
        g_messages(type, context, message);
}

// Sheets are painted by a GUI application, on the platform that needs no display. Its start
// looks for the session's runtime folder, which a cron job or a root shell does not have, and
// says so on stderr although painting sheets never uses it: a script would take that line for
// a fault.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char* argv[])
{
    if (!printsSheets(argc, argv))
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_messages = qInstallMessageHandler(withoutRuntimeFolderWarning);
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    qInstallMessageHandler(g_messages);
    return app;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    FailWritesPastSizeLimit();
    QCoreApplication::setApplicationName(QStringLiteral("lexovox-batch"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Speaks English words into one sound file each, as the Lexovox window does."));
    parser.addHelpOption();
    AddBatchJobOptions(parser);
    parser.addOptions({kVocabulary, kQuiet, kDryRun, kListVoices, kListFormats, kListCourses});
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(u"help"_qs)) {
        print(stdout, parser.helpText());
        return kAllWritten;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));
    if (parser.isSet(kListFormats)) {
        for (const speech::AudioFormatEntry& entry : speech::AudioFormatTable)
            print(stdout, QString::fromUtf16(entry.label) + u'\n');
        return kAllWritten;
    }
    if (parser.isSet(kListCourses))
        return listCourses(parser);
    return generate(parser);
}

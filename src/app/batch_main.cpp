// lexovox-batch: the window's batch generation without a window, for scripts and whole word
// lists. See `lexovox-batch --help` and its manual page.

#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>

#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include "output/batchengine.h"
#include "output/fileoptions.h"
#include "output/filetags.h"
#include "output/outputpath.h"
#include "output/soundoptions.h"
#include "speech/audioformattable.h"
#include "speech/speechengine.h"
#include "speech/voicecatalogue.h"
#include "vocab/connectionstring.h"
#include "vocab/coursecatalogue.h"
#include "vocab/vocabimporter.h"
#include "vocab/wordlistfill.h"
#include "vocab/vocabularycourses.h"
#include "vocab/vocabularylocation.h"
#include "vocab/wordlistmodel.h"
#include "vocab/wordlookup.h"
#include "vocab/wordstatements.h"
#include "vocab/wordstore.h"

namespace {

constexpr int kAllWritten = 0;
constexpr int kSomeMissing = 1;
constexpr int kUsage = 2;

std::atomic<int> g_signal{0};

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

std::optional<int> formatCode(const QString& label)
{
    for (const speech::AudioFormatEntry& entry : speech::AudioFormatTable) {
        if (QString::fromUtf16(entry.label) == label)
            return entry.code;
    }
    return std::nullopt;
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

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lexovox-batch"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Speaks English words into one sound file each, as the Lexovox window does."));
    parser.addHelpOption();
    const QCommandLineOption out({u"out"_qs, u"o"_qs}, u"Write the files into FOLDER."_qs, u"FOLDER"_qs);
    const QCommandLineOption course(u"course"_qs, u"The words of a course book, named as the tree names it."_qs, u"NAME"_qs);
    const QCommandLineOption findEn(u"find-en"_qs, u"Words whose English contains TEXT."_qs, u"TEXT"_qs);
    const QCommandLineOption findCh(u"find-ch"_qs, u"Words whose Chinese contains TEXT."_qs, u"TEXT"_qs);
    const QCommandLineOption wordsFile(u"words"_qs, u"The words of a UTF-8 CSV with columns en,ch."_qs, u"FILE"_qs);
    const QCommandLineOption vocabulary(u"vocabulary"_qs, u"The vocabulary file to read."_qs, u"FILE"_qs);
    const QCommandLineOption voice(u"voice"_qs, u"A voice id as --list-voices prints it, or part of a description."_qs, u"TEXT"_qs);
    const QCommandLineOption format(u"format"_qs, u"A format as the window lists it, e.g. \"16kHz 16 Bit 单声道\"."_qs, u"LABEL"_qs);
    const QCommandLineOption spell(u"spell"_qs, u"Spell each word after it (拼读)."_qs);
    const QCommandLineOption meaning(u"meaning"_qs, u"Say the Chinese meaning (汉意)."_qs);
    const QCommandLineOption labels(u"labels"_qs, u"Introduce each piece with a spoken label (前缀)."_qs);
    const QCommandLineOption jobs(u"jobs"_qs, u"Speak with N processes (default: one per core)."_qs, u"N"_qs);
    const QCommandLineOption skipExisting(u"skip-existing"_qs, u"Leave words whose file exists alone."_qs);
    const QCommandLineOption quiet(u"quiet"_qs, u"No progress line."_qs);
    const QCommandLineOption listVoices(u"list-voices"_qs, u"List the voices and stop."_qs);
    const QCommandLineOption listFormats(u"list-formats"_qs, u"List the formats and stop."_qs);
    const QCommandLineOption listCourses(u"list-courses"_qs, u"List the course books and stop."_qs);
    parser.addOptions({out, course, findEn, findCh, wordsFile, vocabulary, voice, format, spell, meaning, labels, jobs,
                       skipExisting, quiet, listVoices, listFormats, listCourses});
    AddOutputFileOptions(parser);
    AddSoundOptions(parser);
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(u"help"_qs)) {
        print(stdout, parser.helpText());
        return kAllWritten;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    if (parser.isSet(listFormats)) {
        for (const speech::AudioFormatEntry& entry : speech::AudioFormatTable)
            print(stdout, QString::fromUtf16(entry.label) + u'\n');
        return kAllWritten;
    }

    // The words: from the vocabulary (a course or a look-up) or from a CSV file.
    const int sources = int(parser.isSet(course)) + int(parser.isSet(findEn)) + int(parser.isSet(findCh))
                        + int(parser.isSet(wordsFile));
    const bool listing = parser.isSet(listVoices) || parser.isSet(listCourses);
    if (!listing && sources != 1)
        return usageError(QStringLiteral("give one of --course, --find-en, --find-ch or --words"));
    if (!listing && !IsUsableOutputFolder(parser.value(out)))
        return usageError(QStringLiteral("--out FOLDER is needed"));
    if (!listing && !QFileInfo(parser.value(out)).isDir())
        return usageError(QStringLiteral("%1 is not a folder").arg(parser.value(out)));
    QString fileOptionsError;
    const std::optional<OutputFileOptions> files = ReadOutputFileOptions(parser, &fileOptionsError);
    if (!files)
        return usageError(fileOptionsError);
    QString soundOptionsError;
    const std::optional<SoundOptions> sound = ReadSoundOptions(parser, &soundOptionsError);
    if (!sound)
        return usageError(soundOptionsError);
    int jobCount = 0;
    if (parser.isSet(jobs)) {
        bool ok = false;
        jobCount = parser.value(jobs).toInt(&ok);
        if (!ok || jobCount < 1 || jobCount > 64)
            return usageError(QStringLiteral("--jobs takes a number from 1 to 64"));
    }

    // Look-up texts are checked before anything is opened.
    std::optional<QString> lookUp;
    if (parser.isSet(findEn) && !(lookUp = EnglishLookUpText(parser.value(findEn))))
        return usageError(QStringLiteral("--find-en needs at least two letters"));
    if (parser.isSet(findCh) && !(lookUp = ChineseLookUpText(parser.value(findCh))))
        return usageError(QStringLiteral("--find-ch needs at least one character"));

    WordListModel words;
    WordStore store;
    const bool needsVocabulary = parser.isSet(listCourses) || (!listing && !parser.isSet(wordsFile));
    if (needsVocabulary) {
        // Found as the window finds it; a file the window remembered is its own choice.
        const VocabularyLocation location = FindVocabulary(ProgramVocabularySearch(parser.value(vocabulary), {}));
        if (!location.found())
            return usageError(QStringLiteral("no vocabulary found; looked for %1").arg(location.tried.join(u", ")));
        if (const Result<void> opened = store.Open(VocabularyConnectionString(location.path)); !opened)
            return usageError(opened.error().ErrorMessage());
    }
    if (parser.isSet(listCourses)) {
        // Books of the tree first, then the vocabulary's own courses as the file names them.
        QStringList names;
        for (const CourseNode& node : CourseCatalogue()) {
            if (!node.isCategory())
                names.append(QString::fromUtf16(node.text));
        }
        const Result<QStringList> courses = VocabularyCourses(store);
        if (!courses)
            return usageError(courses.error().ErrorMessage());
        names += CoursesOutsideCatalogue(*courses);
        for (const QString& name : names)
            print(stdout, name + u'\n');
        return kAllWritten;
    }

    SpeechEngine engine;
    if (const Result<void> started = engine.Initialize(nullptr); !started)
        return usageError(started.error().ErrorMessage());
    const std::vector<speech::VoiceInfo> voices = speech::ListVoices(engine.GetPlatform());
    if (parser.isSet(listVoices)) {
        for (const speech::VoiceInfo& v : voices)
            print(stdout, QStringLiteral("%1\t%2\n").arg(v.shortId, v.description));
        return kAllWritten;
    }

    BatchSettings settings;
    settings.folder = QDir(parser.value(out)).absolutePath();
    settings.jobs = jobCount;
    settings.skipExisting = parser.isSet(skipExisting);
    settings.encoding = files->encoding;
    sound->ApplyTo(settings.encoding);
    settings.englishRate = sound->englishRate;
    settings.chineseRate = sound->chineseRate;
    settings.playlist = files->playlist;
    if (parser.isSet(course))
        settings.album = parser.value(course);
    else if (parser.isSet(wordsFile))
        settings.album = QFileInfo(parser.value(wordsFile)).completeBaseName();
    else
        settings.album = LookupAlbum(*lookUp);
    if (parser.isSet(voice)) {
        const speech::VoiceInfo* found = speech::FindVoice(voices, parser.value(voice));
        if (!found)
            return usageError(QStringLiteral("no voice matches \"%1\" (see --list-voices)").arg(parser.value(voice)));
        settings.voiceId = found->id;
    } else {
        settings.voiceId = engine.GetVoiceId();
    }
    if (parser.isSet(format)) {
        const std::optional<int> code = formatCode(parser.value(format));
        if (!code)
            return usageError(QStringLiteral("no format \"%1\" (see --list-formats)").arg(parser.value(format)));
        settings.formatCode = *code;
    } else {
        // The window's first choice: the format the default output is in.
        const int entry = engine.GetOutputFormatIndex();
        settings.formatCode = speech::AudioFormatTable[std::size_t(entry >= 0 ? entry : speech::kUnreadableFormatEntry)].code;
    }

    Result<int> filled = 0;
    if (parser.isSet(wordsFile)) {
        Result<std::vector<WordEntry>> read = ReadWordList(parser.value(wordsFile));
        if (!read)
            return usageError(read.error().ErrorMessage());
        words.append(std::move(*read));
    } else if (parser.isSet(course)) {
        filled = FillWordList(&store, CourseStatement(parser.value(course)), words);
    } else if (parser.isSet(findEn)) {
        filled = FillWordList(&store, EnglishLookUpStatement(*lookUp), words);
    } else {
        filled = FillWordList(&store, ChineseLookUpStatement(*lookUp), words);
    }
    if (!filled)
        return usageError(filled.error().ErrorMessage());
    words.checkAll();

    // The pronunciation list: one given must be readable; the user's own applies when it exists.
    // A malformed line is named and skipped.
    std::shared_ptr<const PronunciationList> pronunciations;
    if (const QString path = sound->PronunciationsPath(); !sound->pronunciations.isEmpty() || QFileInfo::exists(path)) {
        Result<PronunciationList> list = PronunciationList::Read(path);
        if (!list)
            return usageError(list.error().ErrorMessage());
        for (const PronunciationProblem& problem : list->Problems())
            print(stderr, QStringLiteral("lexovox-batch: %1: %2\n").arg(path, PronunciationProblemText(problem, false)));
        pronunciations = std::make_shared<const PronunciationList>(std::move(*list));
    }
    const speech::VoiceInfo* chosen = nullptr;
    for (const speech::VoiceInfo& v : voices)
        chosen = v.id == settings.voiceId ? &v : chosen;
    const WordSpeech speech =
        sound->Speech({parser.isSet(spell), parser.isSet(meaning), parser.isSet(labels)}, pronunciations,
                      chosen && chosen->readsPhonemes);

    BatchEngine batch;
    const bool showProgress = !parser.isSet(quiet) && isatty(STDERR_FILENO);
    QElapsedTimer clock;
    QObject::connect(&batch, &BatchEngine::progress, &batch, [&](int done, int total) {
        if (showProgress) {
            const double seconds = double(clock.elapsed()) / 1000.0;
            print(stderr, progressLine(done, total, seconds > 0 ? done / seconds : 0, batch.RemainingMs()));
        }
    });
    int status = kAllWritten;
    QObject::connect(&batch, &BatchEngine::finished, &app, [&](const BatchReport& report) {
        if (showProgress)
            print(stderr, QStringLiteral("\n"));
        for (const BatchFailure& failure : report.failures)
            print(stderr, QStringLiteral("lexovox-batch: %1: %2\n").arg(failure.headword, failure.reason));
        if (!parser.isSet(quiet)) {
            print(stderr, QStringLiteral("%1 written, %2 skipped, %3 failed%4 in %5 s\n")
                              .arg(report.written)
                              .arg(report.skipped)
                              .arg(report.failed)
                              .arg(report.stopped ? QStringLiteral(", stopped") : QString())
                              .arg(double(report.elapsedMs) / 1000.0, 0, 'f', 1));
        }
        status = g_signal != 0                               ? 128 + g_signal
                 : report.Missing() > 0 || report.failed > 0 ? kSomeMissing
                                                             : kAllWritten;
        QCoreApplication::quit();
    });

    // Ctrl+C and kill stop like the window's 停止: the words in progress finish, nothing is cut.
    for (const int sig : {SIGINT, SIGTERM})
        std::signal(sig, [](int received) { g_signal = received; });
    QTimer signalWatch;
    QObject::connect(&signalWatch, &QTimer::timeout, &batch, [&batch] {
        if (g_signal != 0)
            batch.Stop();
    });
    signalWatch.start(50);

    clock.start();
    batch.Start(CheckedWords(words, settings.folder, speech, files->Naming()), settings);
    QCoreApplication::exec();
    return status;
}

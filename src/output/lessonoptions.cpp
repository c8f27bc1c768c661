#include "output/lessonoptions.h"

#include <QCommandLineParser>

namespace {

const QString kLesson = QStringLiteral("lesson");
const QString kPerWord = QStringLiteral("per-word");
const QString kLessonPause = QStringLiteral("lesson-pause");
const QString kSheets = QStringLiteral("sheets");
const QString kKey = QStringLiteral("key");

Result<LessonOptions> usage(const QString& reason)
{
    return Fail(ComError(ResultCode::CommandLineUsage, reason));
}

} // namespace

void AddLessonOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        {kLesson, QStringLiteral("Make a dictation lesson: one track of all the words, each after its number and "
                                 "followed by a pause to write, with an LRC list of where each word begins, "
                                 "instead of one file per word.")},
        {kPerWord, QStringLiteral("With --lesson, write one file per word as well.")},
        {kLessonPause, QStringLiteral("The pause to write after each word of the lesson, %1 to %2 ms (default %3).")
                           .arg(LessonOptions::kMinPauseMs).arg(LessonOptions::kMaxPauseMs)
                           .arg(LessonOptions::kDefaultPauseMs), QStringLiteral("MS")},
        {kSheets, QStringLiteral("Write the class's answer sheet (PDF): blank numbered lines, or the Chinese "
                                 "meanings to write the words for."), QStringLiteral("blank|chinese")},
        {kKey, QStringLiteral("Write the answer key (PDF): number, word and meaning.")},
    });
}

Result<LessonOptions> ReadLessonOptions(const QCommandLineParser& parser)
{
    LessonOptions lesson;
    lesson.track = parser.isSet(kLesson);
    lesson.perWord = !lesson.track || parser.isSet(kPerWord);
    lesson.key = parser.isSet(kKey);
    if (!lesson.track && (parser.isSet(kPerWord) || parser.isSet(kLessonPause)))
        return usage(QStringLiteral("--%1 belongs to --lesson").arg(parser.isSet(kPerWord) ? kPerWord : kLessonPause));
    if (parser.isSet(kLessonPause)) {
        bool ok = false;
        lesson.pauseMs = parser.value(kLessonPause).toInt(&ok);
        if (!ok)
            return usage(QStringLiteral("--%1 takes a number of milliseconds").arg(kLessonPause));
    }
    if (parser.isSet(kSheets)) {
        const QString sheet = parser.value(kSheets);
        if (sheet == u"blank")
            lesson.sheet = LessonOptions::Sheet::Blank;
        else if (sheet == u"chinese")
            lesson.sheet = LessonOptions::Sheet::Chinese;
        else
            return usage(QStringLiteral("--%1 takes blank or chinese, not %2").arg(kSheets, sheet));
    }
    return lesson;
}

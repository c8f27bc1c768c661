#include "output/runlisting.h"

#include <QDir>
#include <QFileInfo>

#include "output/batchjob.h"
#include "output/batchreport.h"
#include "output/batchwords.h"
#include "output/lesson/lessonplan.h"
#include "speech/synthesiscalls.h"

namespace {

QString callLines(const QString& spoken, const speech::TokenPtr& voice, const SoundOptions& sound, const QByteArray& chinese)
{
    QString lines;
    for (const SynthesisCall& call : SynthesisCalls(spoken, voice.get(), sound.englishRate, sound.chineseRate, chinese)) {
        QString text = call.text;
        QString command = call.command;
        // One call a line, whatever a word list holds.
        text.replace(u'\n', u' ').replace(u'\t', u' ');
        command.replace(u'\n', u' ').replace(u'\t', u' ');
        lines += u'\t' + QString::fromUtf8(call.voice) + (call.spelled ? QStringLiteral("\tspell\t") : QStringLiteral("\tsay\t"))
            + text + (command.isEmpty() ? QString() : u'\t' + command) + u'\n';
    }
    return lines;
}

} // namespace

QString RunListing(const BatchJob& job, const std::vector<BatchWord>& words, const std::vector<LessonWord>& lesson,
                   const speech::TokenPtr& voice, const QByteArray& chinese)
{
    const QDir folder(job.folder);
    QString listing;
    for (const BatchWord& word : words) {
        if (word.path.isEmpty()) {
            listing += QStringLiteral("-\t%1\t%2\n").arg(word.headword, FailureReason(word.refusal));
            continue;
        }
        listing += folder.relativeFilePath(word.path) + u'\t' + word.headword;
        // As the batch engine decides: an empty file is what a failed write left.
        if (job.skipExisting && QFileInfo(word.path).size() > 0) {
            listing += QStringLiteral("\tskipped: the file exists\n");
            continue;
        }
        listing += u'\n' + callLines(word.text, voice, job.sound, chinese);
    }
    const LessonPaths paths = LessonFilePaths(job);
    if (job.lesson.track) {
        for (const LessonWord& word : lesson) {
            listing += QStringLiteral("%1\t%2. %3\n").arg(folder.relativeFilePath(paths.track)).arg(word.number).arg(PrintableText(word.headword));
            listing += callLines(word.text, voice, job.sound, chinese);
        }
        listing += folder.relativeFilePath(paths.lyrics) + u'\n';
    }
    if (job.lesson.key && !lesson.empty())
        listing += folder.relativeFilePath(paths.key) + u'\n';
    if (job.lesson.sheet != LessonOptions::Sheet::None && !lesson.empty())
        listing += folder.relativeFilePath(paths.sheet) + u'\n';
    return listing;
}

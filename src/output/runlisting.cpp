#include "output/runlisting.h"

#include <QDir>
#include <QFileInfo>

#include "output/batchjob.h"
#include "output/batchreport.h"
#include "output/batchwords.h"
#include "speech/synthesiscalls.h"

QString RunListing(const BatchJob& job, const std::vector<BatchWord>& words, const speech::TokenPtr& voice)
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
        listing += u'\n';
        for (const SynthesisCall& call : SynthesisCalls(word.text, voice.get())) {
            QString text = call.text;
            text.replace(u'\n', u' ').replace(u'\t', u' ');  // one call a line, whatever a word list holds
            listing += u'\t' + QString::fromUtf8(call.voice) + (call.spelled ? QStringLiteral("\tspell\t") : QStringLiteral("\tsay\t"))
                + text + u'\n';
        }
    }
    return listing;
}

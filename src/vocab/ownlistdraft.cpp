#include "vocab/ownlistdraft.h"

#include "vocab/meaninglookup.h"

OwnListDraft DraftOwnList(const QString& text, const MeaningLookup* lookup, const QHash<QString, OwnListWord>& kept,
                          const std::function<bool(int)>& progress)
{
    ListText parsed = ParseListText(text);
    OwnListDraft draft;
    draft.ignoredLines = std::move(parsed.ignoredLines);
    draft.tooLongLines = std::move(parsed.tooLongLines);
    draft.duplicatesMerged = parsed.duplicatesMerged;
    draft.words.reserve(parsed.words.size());
    draft.lineNumbers.reserve(parsed.words.size());
    const qsizetype total = parsed.words.size();
    int reported = -1;
    for (qsizetype i = 0; i < total; ++i) {
        const ListTextLine& line = parsed.words[i];
        OwnListWord word{line.word, line.meaning, MeaningSource::Typed};
        if (word.ch.isEmpty()) {
            if (const auto saved = kept.constFind(word.en); saved != kept.cend() && !saved->ch.isEmpty())
                word = *saved;
            else if (const std::optional<QString> found = lookup ? lookup->Find(word.en) : std::nullopt)
                word = {word.en, *found, MeaningSource::Vocabulary};
            else
                word.source = MeaningSource::NotFound;
        }
        draft.words.append(std::move(word));
        draft.lineNumbers.append(line.number);
        if (const int percent = int(100 * (i + 1) / total); progress && percent != reported) {
            reported = percent;
            if (!progress(percent)) {
                draft.stopped = true;
                break;
            }
        }
    }
    return draft;
}

QString OwnListText(const QList<OwnListWord>& words)
{
    QString text;
    for (const OwnListWord& word : words) {
        text += word.en;
        if (word.source == MeaningSource::Typed && !word.ch.isEmpty())
            text += QLatin1Char('\t') + word.ch;
        text += QLatin1Char('\n');
    }
    return text;
}

QHash<QString, OwnListWord> WordsByHeadword(const QList<OwnListWord>& words)
{
    QHash<QString, OwnListWord> byHeadword;
    for (const OwnListWord& word : words)
        byHeadword.insert(word.en, word);
    return byHeadword;
}

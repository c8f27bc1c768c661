#include "vocab/wordlistcsv.h"

#include <csv.h>

#include <QByteArray>

#include "base/atomicfile.h"

namespace {

// One field quoted by libcsv's own rules, so the importer's parser reads back what was written.
QByteArray quoted(const QString& field)
{
    const QByteArray utf8 = field.toUtf8();
    QByteArray out(utf8.size() * 2 + 2, Qt::Uninitialized);
    out.resize(qsizetype(csv_write(out.data(), size_t(out.size()), utf8.constData(), size_t(utf8.size()))));
    return out;
}

} // namespace

Result<void> WriteWordListCsv(const QString& path, const QString& course, const QList<OwnListWord>& words)
{
    AtomicFile file;
    if (Result<void> opened = file.Open(path, u".csv"); !opened)
        return opened;
    QByteArray text = "en,ch,subclass\n";
    const QByteArray subclass = quoted(course);
    for (const OwnListWord& word : words)
        text += quoted(word.en) + ',' + quoted(word.ch) + ',' + subclass + '\n';
    if (Result<void> written = file.Write(text); !written)
        return written;
    return file.Commit();
}

#include "vocab/connectionstring.h"

ConnectionString ConnectionString::Parse(const QString& text)
{
    ConnectionString result;
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (pos < size) {
        const qsizetype eq = text.indexOf(u'=', pos);
        if (eq < 0)
            break;
        const QString key = text.mid(pos, eq - pos).trimmed();
        pos = eq + 1;
        while (pos < size && text[pos].isSpace())
            ++pos;
        QString value;
        if (pos < size && (text[pos] == u'"' || text[pos] == u'\'')) {
            // A quoted value may hold ';'; a doubled quote stands for one.
            const QChar quote = text[pos++];
            while (pos < size) {
                if (text[pos] == quote) {
                    if (pos + 1 < size && text[pos + 1] == quote) {
                        value += quote;
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                value += text[pos++];
            }
            const qsizetype semi = text.indexOf(u';', pos);
            pos = semi < 0 ? size : semi + 1;
        } else {
            const qsizetype semi = text.indexOf(u';', pos);
            value = text.mid(pos, semi < 0 ? -1 : semi - pos).trimmed();
            pos = semi < 0 ? size : semi + 1;
        }
        if (key.compare(u"Provider", Qt::CaseInsensitive) == 0)
            result.provider = value;
        else if (key.compare(u"Data Source", Qt::CaseInsensitive) == 0)
            result.dataSource = value;
        else if (key.compare(u"Jet OLEDB:Database Password", Qt::CaseInsensitive) == 0)
            result.password = value;
    }
    return result;
}

QString ProgramDatabasePassword()
{
    return ConnectionString::Parse(QString::fromUtf16(kVocabularyConnection)).password;
}

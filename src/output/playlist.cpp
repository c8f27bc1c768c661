#include "output/playlist.h"

#include <algorithm>
#include <cmath>

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "output/batchreport.h"

QString PlaylistPath(const QString& folder)
{
    QString name = QFileInfo(QDir::cleanPath(folder)).fileName();
    if (name.isEmpty())
        name = QStringLiteral("playlist");
    return QDir(folder).filePath(name + QStringLiteral(".m3u8"));
}

QString PlaylistText(const std::vector<PlaylistEntry>& entries)
{
    QString text = QStringLiteral("#EXTM3U\n");
    for (const PlaylistEntry& entry : entries) {
        const long seconds = std::max(1L, std::lround(entry.seconds));
        QString title = OneLineText(entry.headword);
        if (const QString meaning = OneLineText(entry.meaning); !meaning.isEmpty())
            title += QStringLiteral(" – ") + meaning;
        text += QStringLiteral("#EXTINF:%1,%2\n").arg(seconds).arg(title);
        // A line starting with # is a comment to players: such a name is given as ./name.
        text += (entry.fileName.startsWith(u'#') ? QStringLiteral("./") : QString()) + entry.fileName + u'\n';
    }
    return text;
}

Result<void> WritePlaylist(const QString& folder, const std::vector<PlaylistEntry>& entries)
{
    const QString path = PlaylistPath(folder);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(PlaylistText(entries).toUtf8()) >= 0 && file.commit())
        return {};
    return Fail(ComError(ResultCode::PlaylistNotWritten, QStringLiteral("%1 (%2)").arg(path, file.errorString())));
}

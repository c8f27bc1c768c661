#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "output/batchreport.h"
#include "output/playlist.h"

TEST(Playlist, NamedAfterItsFolder)
{
    EXPECT_EQ(PlaylistPath(QStringLiteral("/media/card/人教版 七上")), QStringLiteral("/media/card/人教版 七上/人教版 七上.m3u8"));
    EXPECT_EQ(PlaylistPath(QStringLiteral("/media/card/words/")), QStringLiteral("/media/card/words/words.m3u8"));
    EXPECT_EQ(PlaylistPath(QStringLiteral("/")), QStringLiteral("/playlist.m3u8"));
}

TEST(Playlist, ListsEveryFileInOrder)
{
    const std::vector<PlaylistEntry> entries{
        {0.84, QStringLiteral("apple"), QStringLiteral("n. 苹果"), QStringLiteral("1 apple.mp3")},
        {2.5, QStringLiteral("what?"), QStringLiteral("pron. 什么；\n int. 什么"), QStringLiteral("2 what_.mp3")},
        {0.2, QStringLiteral("pear"), QString(), QStringLiteral("3 pear.mp3")},
    };
    EXPECT_EQ(PlaylistText(entries),
              QStringLiteral("#EXTM3U\n"
                             "#EXTINF:1,apple – n. 苹果\n1 apple.mp3\n"
                             "#EXTINF:3,what? – pron. 什么； int. 什么\n2 what_.mp3\n"
                             "#EXTINF:1,pear\n3 pear.mp3\n"));
    EXPECT_EQ(PlaylistText({}), QStringLiteral("#EXTM3U\n"));
}

TEST(Playlist, WrittenInUtf8ReplacingAnOlderOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("七上"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::vector<PlaylistEntry> older{{1, QStringLiteral("old"), QString(), QStringLiteral("old.mp3")}};
    ASSERT_TRUE(WritePlaylist(folder, older));
    const std::vector<PlaylistEntry> entries{{1, QStringLiteral("apple"), QStringLiteral("苹果"), QStringLiteral("apple.mp3")}};
    const Result<void> written = WritePlaylist(folder, entries);
    ASSERT_TRUE(written) << written.error().what();

    QFile file(QDir(folder).filePath(QStringLiteral("七上.m3u8")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), PlaylistText(entries).toUtf8());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1);  // nothing left over

    // The failure names the list it could not write, in the batch's words.
    const QString missing = dir.filePath(QStringLiteral("missing"));
    const Result<void> failed = WritePlaylist(missing, entries);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().Error(), ResultCode::PlaylistNotWritten);
    EXPECT_TRUE(failed.error().Subject().startsWith(PlaylistPath(missing)));
    EXPECT_TRUE(FailureReason(failed.error()).startsWith(u"播放列表无法写入："_qs + PlaylistPath(missing)));
}

TEST(Playlist, NoHeadwordOrNameBreaksALineOrBecomesAComment)
{
    const std::vector<PlaylistEntry> entries{{1.2, u"a\nb"_qs + QChar(1), u"意\r\n思"_qs, u"#EXTINF x.wav"_qs}};
    EXPECT_EQ(PlaylistText(entries), u"#EXTM3U\n#EXTINF:1,a b – 意 思\n./#EXTINF x.wav\n"_qs);
}

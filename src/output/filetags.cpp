#include "output/filetags.h"

#include <taglib/chapterframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <cmath>

#include <QFile>

namespace {

// ID3v2 names the language of comments and lyrics; the meanings are Chinese.
const TagLib::ByteVector kMeaningLanguage("zho", 3);

TagLib::String ToTag(const QString& text)
{
    return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

QString TrackText(const FileTags& tags)
{
    if (tags.track <= 0)
        return QString();
    return tags.trackCount > 0 ? QStringLiteral("%1/%2").arg(tags.track).arg(tags.trackCount)
                               : QString::number(tags.track);
}

void SetTextFrame(TagLib::ID3v2::Tag& tag, const char* id, const QString& text)
{
    tag.removeFrames(id);
    if (text.isEmpty())
        return;
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
    frame->setText(ToTag(text));
    tag.addFrame(frame);  // the tag owns it
}

TagLib::ID3v2::TextIdentificationFrame* TitleFrame(const QString& title)
{
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame("TIT2", TagLib::String::UTF8);
    frame->setText(ToTag(title));
    return frame;
}

// A chapter's title as players read it: ID3v2.4 gives an embedded frame's size as a synchsafe
// number, which some readers (FFmpeg) take as a plain one, dropping every chapter whose title
// frame is 128 bytes or more. Longer titles are cut at a character, with "…".
QString ChapterTitle(const QString& title)
{
    constexpr qsizetype kMaxBytes = 120;  // the frame's encoding byte and the "…" fit beside
    if (title.toUtf8().size() <= kMaxBytes)
        return title;
    QString cut = title;
    while (cut.toUtf8().size() > kMaxBytes - 3 || (!cut.isEmpty() && cut.back().isHighSurrogate()))
        cut.chop(1);
    return cut + u'…';
}

// A table of contents lists at most 255 entries (its count is one byte): a longer list of
// chapters goes into tables of 255 under the top-level one.
constexpr std::size_t kMaxEntries = 255;

void SetChapters(TagLib::ID3v2::Tag& tag, const std::vector<FileTags::Chapter>& chapters)
{
    tag.removeFrames("CHAP");
    tag.removeFrames("CTOC");
    if (chapters.empty())
        return;
    const auto ms = [](double seconds) { return static_cast<unsigned int>(std::llround(std::max(seconds, 0.0) * 1000)); };
    // Byte offsets are left out (all ones), as players go by the times.
    constexpr unsigned int kNoOffset = 0xFFFFFFFF;
    const auto idOf = [](const char* prefix, std::size_t n) {
        return TagLib::ByteVector(QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(n).toLatin1().constData());
    };
    std::vector<TagLib::ByteVectorList> tables(1);
    for (std::size_t i = 0; i < chapters.size(); ++i) {
        const TagLib::ByteVector id = idOf("chp", i + 1);
        TagLib::ID3v2::FrameList embedded;
        embedded.append(TitleFrame(ChapterTitle(chapters[i].title)));
        tag.addFrame(new TagLib::ID3v2::ChapterFrame(id, ms(chapters[i].start), ms(chapters[i].end), kNoOffset,
                                                     kNoOffset, embedded));
        if (tables.back().size() == kMaxEntries)
            tables.emplace_back();
        tables.back().append(id);
    }
    const auto table = [](const TagLib::ByteVector& id, const TagLib::ByteVectorList& entries, bool top) {
        auto* contents = new TagLib::ID3v2::TableOfContentsFrame(id, entries);
        contents->setIsTopLevel(top);
        contents->setIsOrdered(true);
        return contents;
    };
    if (tables.size() == 1) {
        tag.addFrame(table("toc", tables.front(), true));
        return;
    }
    TagLib::ByteVectorList parts;
    for (std::size_t t = 0; t < tables.size(); ++t) {
        auto* part = table(idOf("toc", t + 1), tables[t], false);
        const std::size_t first = t * kMaxEntries + 1;
        part->addEmbeddedFrame(TitleFrame(QStringLiteral("%1–%2").arg(first).arg(first + tables[t].size() - 1)));
        tag.addFrame(part);
        parts.append(part->elementID());
    }
    tag.addFrame(table("toc", parts, true));
}

bool WriteMp3Tags(const QByteArray& path, const FileTags& tags)
{
    TagLib::MPEG::File file(path.constData(), false);
    if (!file.isValid())
        return false;
    TagLib::ID3v2::Tag& tag = *file.ID3v2Tag(true);
    SetTextFrame(tag, "TIT2", tags.title);
    SetTextFrame(tag, "TALB", tags.album);
    SetTextFrame(tag, "TRCK", TrackText(tags));
    tag.removeFrames("COMM");
    tag.removeFrames("USLT");
    if (!tags.meaning.isEmpty()) {
        auto* comment = new TagLib::ID3v2::CommentsFrame(TagLib::String::UTF8);
        comment->setLanguage(kMeaningLanguage);
        comment->setText(ToTag(tags.meaning));
        tag.addFrame(comment);
        auto* lyrics = new TagLib::ID3v2::UnsynchronizedLyricsFrame(TagLib::String::UTF8);
        lyrics->setLanguage(kMeaningLanguage);
        lyrics->setText(ToTag(tags.meaning));
        tag.addFrame(lyrics);
    }
    SetChapters(tag, tags.chapters);
    // Only ID3v2.4: an ID3v1 copy could hold nothing but Latin-1, which garbles the Chinese.
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v4,
                     TagLib::File::DoNotDuplicate);
}

void SetField(TagLib::Ogg::XiphComment& comment, const char* key, const QString& text)
{
    comment.removeFields(key);
    if (!text.isEmpty())
        comment.addField(key, ToTag(text));
}

bool WriteOpusTags(const QByteArray& path, const FileTags& tags)
{
    TagLib::Ogg::Opus::File file(path.constData(), false);
    if (!file.isValid())
        return false;
    TagLib::Ogg::XiphComment& comment = *file.tag();
    SetField(comment, "TITLE", tags.title);
    SetField(comment, "ALBUM", tags.album);
    SetField(comment, "TRACKNUMBER", tags.track > 0 ? QString::number(tags.track) : QString());
    SetField(comment, "TRACKTOTAL", tags.trackCount > 0 ? QString::number(tags.trackCount) : QString());
    SetField(comment, "COMMENT", tags.meaning);
    SetField(comment, "LYRICS", tags.meaning);
    const TagLib::Ogg::FieldListMap fields = comment.fieldListMap();
    for (const auto& [key, values] : fields) {
        if (key.startsWith("CHAPTER"))
            comment.removeFields(key);
    }
    // The chapter comments count with three digits: a longer list has no chapters.
    if (tags.chapters.size() <= 999) {
        for (std::size_t i = 0; i < tags.chapters.size(); ++i) {
            const QByteArray key = QStringLiteral("CHAPTER%1").arg(i + 1, 3, 10, QLatin1Char('0')).toLatin1();
            const qint64 ms = qRound64(tags.chapters[i].start * 1000);
            comment.addField(key.constData(), ToTag(QStringLiteral("%1:%2:%3.%4")
                                                        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
                                                        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
                                                        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
                                                        .arg(ms % 1000, 3, 10, QLatin1Char('0'))));
            comment.addField((key + "NAME").constData(), ToTag(tags.chapters[i].title));
        }
    }
    return file.save();
}

} // namespace

QString LookupAlbum(const QString& text)
{
    return QStringLiteral("查询：") + text;
}

Result<void> WriteFileTags(const QString& path, speech::OutputFileType type, const FileTags& tags)
{
    const QByteArray name = QFile::encodeName(path);
    bool written = true;
    switch (type) {
    case speech::OutputFileType::Mp3:
        written = WriteMp3Tags(name, tags);
        break;
    case speech::OutputFileType::Opus:
        written = WriteOpusTags(name, tags);
        break;
    case speech::OutputFileType::Wav:
        break;
    }
    if (!written)
        return Fail(ComError(ResultCode::TagsNotWritten, path));
    return {};
}

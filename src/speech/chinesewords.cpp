#include "speech/chinesewords.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "base/readfile.h"
#include "speech/tonenumbers.h"

namespace {

// From the programs' folder: bin/ (installed and in the build) or libexec/lexovox/ (the worker).
constexpr char16_t kFromPrograms[][24] = {u"../share/lexovox", u"../../share/lexovox"};
// The shipped readings, by the order in which they win.
constexpr char16_t kExceptionsFile[] = u"pinyin-exceptions.txt";
constexpr char16_t kWordsFile[] = u"phrase-pinyin.txt";
constexpr char16_t kCharactersFile[] = u"char-pinyin.txt";

quint32 HashOf(const char* bytes, qsizetype length)
{
    quint32 hash = 2166136261u;  // FNV-1a
    for (qsizetype i = 0; i < length; ++i)
        hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 16777619u;
    return hash;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// A line's word and reading, as byte ranges of the list.
struct Entry
{
    qsizetype word = 0;
    qsizetype wordLength = 0;
    qsizetype reading = 0;
    qsizetype readingLength = 0;
};

// The entry of the line starting at `start` (ending before `end`); false for a comment, a blank
// line or a line without "word:" or "word<TAB>".
bool EntryAt(const char* text, qsizetype start, qsizetype end, Entry& entry)
{
    const char* line = text + start;
    const qsizetype length = end - start;
    const char* comment = static_cast<const char*>(std::memchr(line, '#', std::size_t(length)));
    const qsizetype content = comment ? comment - line : length;
    // The reading may hold a colon ("lu:4"), the word neither a colon nor a tab.
    const char* separator = std::find_if(line, line + content, [](char c) { return c == ':' || c == '\t'; });
    if (separator == line + content)
        return false;
    qsizetype wordEnd = separator - line;
    qsizetype readingStart = wordEnd + 1;
    qsizetype readingEnd = content;
    qsizetype wordStart = 0;
    while (wordStart < wordEnd && IsBlank(line[wordStart]))
        ++wordStart;
    while (wordEnd > wordStart && IsBlank(line[wordEnd - 1]))
        --wordEnd;
    while (readingStart < readingEnd && IsBlank(line[readingStart]))
        ++readingStart;
    while (readingEnd > readingStart && IsBlank(line[readingEnd - 1]))
        --readingEnd;
    if (wordStart == wordEnd || readingStart == readingEnd)
        return false;
    entry = {start + wordStart, wordEnd - wordStart, start + readingStart, readingEnd - readingStart};
    return true;
}

qsizetype LineEnd(const QByteArray& text, qsizetype start)
{
    const void* newline = std::memchr(text.constData() + start, '\n', std::size_t(text.size() - start));
    return newline ? static_cast<const char*>(newline) - text.constData() : text.size();
}

// UTF-16 units of UTF-8 text: a four-byte character is two.
qsizetype Utf16Length(const char* bytes, qsizetype length)
{
    qsizetype units = 0;
    for (qsizetype i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        units += (b & 0xC0) != 0x80;
        units += b >= 0xF0;
    }
    return units;
}

qsizetype CodePoints(QStringView text)
{
    return text.size() - std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLowSurrogate(); });
}

// `text` as UTF-8, and after each UTF-16 unit the bytes so far; -1 after the first half of a
// surrogate pair, where no word ends.
void ToUtf8(QStringView text, std::string& utf8, std::vector<qsizetype>& ends)
{
    utf8.clear();
    ends.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ends.push_back(-1);
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (c < 0x80) {
            utf8 += char(c);
        } else if (c < 0x800) {
            utf8 += char(0xC0 | (c >> 6));
            utf8 += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += char(0xE0 | (c >> 12));
            utf8 += char(0x80 | ((c >> 6) & 0x3F));
            utf8 += char(0x80 | (c & 0x3F));
        } else {
            utf8 += char(0xF0 | (c >> 18));
            utf8 += char(0x80 | ((c >> 12) & 0x3F));
            utf8 += char(0x80 | ((c >> 6) & 0x3F));
            utf8 += char(0x80 | (c & 0x3F));
        }
        ends.push_back(qsizetype(utf8.size()));
    }
}

} // namespace

ChineseWords ChineseWords::Parse(QByteArray utf8)
{
    ChineseWords words;
    words.m_text = std::move(utf8);
    const QByteArray& text = words.m_text;
    const char* data = text.constData();
    const qsizetype lines = text.count('\n') + 1;
    words.m_slots.assign(std::bit_ceil(std::size_t(lines) * 2), 0);
    const std::size_t mask = words.m_slots.size() - 1;
    for (qsizetype start = 0; start < text.size();) {
        const qsizetype end = LineEnd(text, start);
        Entry entry;
        // Of two lines for a word the first holds.
        if (EntryAt(data, start, end, entry) && words.Find(data + entry.word, entry.wordLength) < 0) {
            std::size_t slot = HashOf(data + entry.word, entry.wordLength) & mask;
            while (words.m_slots[slot] != 0)
                slot = (slot + 1) & mask;
            words.m_slots[slot] = quint32(start + 1);
            ++words.m_size;
            words.m_longest = std::max(words.m_longest, Utf16Length(data + entry.word, entry.wordLength));
        }
        start = end + 1;
    }
    return words;
}

ChineseWords ChineseWords::Parse(const QByteArray& asSaid, const QByteArray& data)
{
    QByteArray text;
    text.reserve(asSaid.size() + data.size() + 1);
    text += asSaid;
    text += '\n';
    const qsizetype asSaidEnd = text.size();
    text += data;
    ChineseWords words = Parse(std::move(text));
    words.m_asSaidEnd = asSaidEnd;
    return words;
}

Result<ChineseWords> ChineseWords::Read(const QString& path)
{
    const Result<QByteArray> text = ReadWholeFile(path);
    if (!text)
        return Fail(text.error());
    return Parse(*text);
}

Result<ChineseWords> ChineseWords::ReadShipped(const QString& folder)
{
    const QDir dir(folder);
    QByteArray files[3];
    const char16_t* const names[3] = {kExceptionsFile, kWordsFile, kCharactersFile};
    for (int i = 0; i < 3; ++i) {
        Result<QByteArray> text = ReadWholeFile(dir.filePath(QString::fromUtf16(names[i])));
        if (!text)
            return Fail(text.error());
        files[i] = std::move(*text);
        if (!files[i].endsWith('\n'))
            files[i] += '\n';
    }
    // The words before the characters: of two lines for one word the first holds.
    return Parse(files[0], files[1] + files[2]);
}

QString ChineseWords::ShippedFolder()
{
    if (!QCoreApplication::instance())
        return {};
    const QDir programs(QCoreApplication::applicationDirPath());
    for (const auto& relative : kFromPrograms) {
        const QString folder = QDir::cleanPath(programs.absoluteFilePath(QString::fromUtf16(relative)));
        if (QFileInfo::exists(folder + u'/' + QString::fromUtf16(kWordsFile)))
            return folder;
    }
    return {};
}

std::shared_ptr<const ChineseWords> ChineseWords::Shipped()
{
    static const std::shared_ptr<const ChineseWords> shipped = [] {
        const QString folder = ShippedFolder();
        Result<ChineseWords> read = folder.isEmpty() ? Result<ChineseWords>(ChineseWords()) : ReadShipped(folder);
        return std::make_shared<const ChineseWords>(read ? std::move(*read) : ChineseWords());
    }();
    return shipped;
}

qsizetype ChineseWords::Find(const char* word, qsizetype length) const
{
    if (m_slots.empty())
        return -1;
    const std::size_t mask = m_slots.size() - 1;
    const char* data = m_text.constData();
    for (std::size_t slot = HashOf(word, length) & mask; m_slots[slot] != 0; slot = (slot + 1) & mask) {
        const qsizetype start = m_slots[slot] - 1;
        Entry entry;
        EntryAt(data, start, LineEnd(m_text, start), entry);
        if (entry.wordLength == length && std::memcmp(data + entry.word, word, std::size_t(length)) == 0)
            return start;
    }
    return -1;
}

ChineseWords::Match ChineseWords::LongestAt(QStringView text) const
{
    if (m_size == 0)
        return {};
    thread_local std::string utf8;
    thread_local std::vector<qsizetype> ends;
    ToUtf8(text.first(std::min(m_longest, text.size())), utf8, ends);
    for (qsizetype length = qsizetype(ends.size()); length > 0; --length) {
        const qsizetype bytes = ends[std::size_t(length - 1)];
        const qsizetype start = bytes < 0 ? -1 : Find(utf8.data(), bytes);
        if (start < 0)
            continue;
        Entry entry;
        EntryAt(m_text.constData(), start, LineEnd(m_text, start), entry);
        const QString reading = QString::fromUtf8(m_text.constData() + entry.reading, entry.readingLength);
        const std::optional<ToneNumbered> pinyin = ToneNumberedPinyin(reading, true);
        if (!pinyin || pinyin->syllables != CodePoints(text.first(length)))
            continue;
        return {length, pinyin->text, start < m_asSaidEnd};
    }
    return {};
}

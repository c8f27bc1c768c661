#include "vocab/listfile.h"

#include <algorithm>
#include <map>

#include <freexl.h>
#include <zip.h>

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include "base/cfree.h"

namespace {

// A week's words are a few kilobytes; past this a file is not a word list.
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;
// The largest part of a spreadsheet unpacked: a small zip may unpack to gigabytes.
constexpr zip_uint64_t kMaxPartBytes = 64 * 1024 * 1024;

using Progress = std::function<void(int)>;

void report(const Progress& progress, int percent)
{
    if (progress)
        progress(percent);
}

ComError unreadable(const QString& path, const QString& why)
{
    return ComError(ResultCode::ImportSourceUnreadable, why.isEmpty() ? path : path + u": "_qs + why);
}

// ---- text ----

/// Control characters that no text file holds: a NUL or many others mean a binary file.
bool looksBinary(const QByteArray& bytes)
{
    qsizetype controls = 0;
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (c == 0)
            return true;
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f')
            ++controls;
    }
    return controls > bytes.size() / 100;
}

std::optional<QString> decode(QStringDecoder decoder, QByteArrayView bytes)
{
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

Result<QString> readText(const QString& path, const QByteArray& bytes)
{
    // A BOM says what the file is; UTF-16 has NULs, so it is taken before the binary test.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const auto encoding = bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
        if (std::optional<QString> text = decode(QStringDecoder(encoding), QByteArrayView(bytes).sliced(2)))
            return *text;
        return Fail(ComError(ResultCode::ListNotText, path));
    }
    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);
    if (looksBinary(bytes))
        return Fail(ComError(ResultCode::ListNotText, path));
    if (std::optional<QString> text = decode(QStringDecoder(QStringConverter::Utf8), body))
        return *text;
    // Not UTF-8: a file saved by a Chinese Windows in its own code page (GBK), which GB18030
    // includes.
    if (std::optional<QString> text = decode(QStringDecoder("GB18030"), body))
        return *text;
    return Fail(ComError(ResultCode::ListNotText, path));
}

// ---- .xlsx: a zip of XML parts ----

using Zip = CHandle<zip_t, &zip_discard>;
using ZipEntry = CHandle<zip_file_t, &zip_fclose>;

std::optional<QByteArray> zipPart(zip_t* zip, const char* name)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(zip, name, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) || stat.size > kMaxPartBytes)
        return std::nullopt;
    ZipEntry entry(zip_fopen(zip, name, 0));
    if (!entry)
        return std::nullopt;
    QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
    if (zip_fread(entry.get(), bytes.data(), stat.size) != zip_int64_t(stat.size))
        return std::nullopt;
    return bytes;
}

/// The text of the element the reader is at, with the runs of rich text joined and the
/// phonetic guides (<rPh>) left out.
QString cellText(QXmlStreamReader& xml)
{
    QString text;
    const QString end = xml.name().toString();
    int phonetic = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"rPh")
            ++phonetic;
        else if (xml.isEndElement() && xml.name() == u"rPh")
            --phonetic;
        else if (xml.isStartElement() && xml.name() == u"t" && phonetic == 0)
            text += xml.readElementText();
        else if (xml.isEndElement() && xml.name() == end)
            break;
    }
    return text;
}

QStringList sharedStrings(const QByteArray& part)
{
    QStringList strings;
    QXmlStreamReader xml(part);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
            strings.append(cellText(xml));
    }
    return strings;
}

/// The part of the workbook's first sheet, as its relationships name it.
QByteArray firstSheetName(zip_t* zip)
{
    const std::optional<QByteArray> workbook = zipPart(zip, "xl/workbook.xml");
    const std::optional<QByteArray> relations = zipPart(zip, "xl/_rels/workbook.xml.rels");
    if (!workbook || !relations)
        return "xl/worksheets/sheet1.xml";
    QString id;
    for (QXmlStreamReader xml(*workbook); !xml.atEnd() && id.isEmpty();) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"sheet") {
            for (const QXmlStreamAttribute& attribute : xml.attributes()) {
                if (attribute.name() == u"id")
                    id = attribute.value().toString();
            }
        }
    }
    for (QXmlStreamReader xml(*relations); !xml.atEnd();) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"Relationship"
            && xml.attributes().value(u"Id"_qs) == id) {
            const QString target = xml.attributes().value(u"Target"_qs).toString();
            return (target.startsWith(u'/') ? target.mid(1) : u"xl/"_qs + target).toUtf8();
        }
    }
    return "xl/worksheets/sheet1.xml";
}

/// The column of a cell reference, 0 for "A7", 1 for "B7".
int columnOf(QStringView reference)
{
    int column = 0;
    for (const QChar c : reference) {
        if (c < u'A' || c > u'Z')
            break;
        column = column * 26 + (c.unicode() - u'A' + 1);
    }
    return column - 1;
}

QString sheetRows(const QByteArray& sheet, const QStringList& strings, const Progress& progress)
{
    QStringList lines;
    QString cells[2];
    int nextColumn = 0;
    QXmlStreamReader xml(sheet);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"row") {
            cells[0].clear();
            cells[1].clear();
            nextColumn = 0;
        } else if (xml.isEndElement() && xml.name() == u"row") {
            lines.append(cells[1].isEmpty() ? cells[0] : cells[0] + u'\t' + cells[1]);
            if (lines.size() % 1000 == 0)
                report(progress, 20 + int(70 * xml.characterOffset() / std::max<qint64>(1, sheet.size())));
        } else if (xml.isStartElement() && xml.name() == u"c") {
            const QXmlStreamAttributes attributes = xml.attributes();
            const QStringView reference = attributes.value(u"r"_qs);
            const int column = reference.isEmpty() ? nextColumn : columnOf(reference);
            nextColumn = column + 1;
            const QString type = attributes.value(u"t"_qs).toString();
            QString value;
            while (!xml.atEnd() && !(xml.readNext() == QXmlStreamReader::EndElement && xml.name() == u"c")) {
                if (xml.isStartElement() && xml.name() == u"v")
                    value = xml.readElementText();
                else if (xml.isStartElement() && xml.name() == u"is")
                    value = cellText(xml);
            }
            if (column < 0 || column > 1)
                continue;
            cells[column] = type == u"s" ? strings.value(value.toInt()) : value;
        }
    }
    return lines.join(u'\n');
}

Result<QString> readXlsx(const QString& path, const Progress& progress)
{
    int error = 0;
    Zip zip(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error));
    if (!zip) {
        zip_error_t why;
        zip_error_init_with_code(&why, error);
        const QString text = QString::fromUtf8(zip_error_strerror(&why));
        zip_error_fini(&why);
        return Fail(unreadable(path, text));
    }
    report(progress, 10);
    QStringList strings;
    if (const std::optional<QByteArray> part = zipPart(zip.get(), "xl/sharedStrings.xml"))
        strings = sharedStrings(*part);
    report(progress, 20);
    const QByteArray sheetName = firstSheetName(zip.get());
    const std::optional<QByteArray> sheet = zipPart(zip.get(), sheetName.constData());
    if (!sheet)
        return Fail(unreadable(path, u"no worksheet"_qs));
    return sheetRows(*sheet, strings, progress);
}

// ---- .xls: the old binary workbook ----

Result<QString> readXls(const QString& path, const Progress& progress)
{
    const void* raw = nullptr;
    const int opened = freexl_open(QFile::encodeName(path).constData(), &raw);
    const auto close = [](const void* handle) { freexl_close(handle); };
    std::unique_ptr<const void, decltype(close)> handle(raw, close);
    if (opened != FREEXL_OK || !raw)
        return Fail(unreadable(path, u"not a readable Excel 97–2003 workbook"_qs));
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(raw, 0) != FREEXL_OK
        || freexl_worksheet_dimensions(raw, &rows, &columns) != FREEXL_OK)
        return Fail(unreadable(path, u"no worksheet"_qs));
    QStringList lines;
    for (unsigned int row = 0; row < rows; ++row) {
        QString cells[2];
        for (unsigned short column = 0; column < std::min<unsigned short>(columns, 2); ++column) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(raw, row, column, &cell) != FREEXL_OK)
                continue;
            switch (cell.type) {
            case FREEXL_CELL_INT:
                cells[column] = QString::number(cell.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                cells[column] = QString::number(cell.value.double_value);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                cells[column] = QString::fromUtf8(cell.value.text_value);
                break;
            default:
                break;
            }
        }
        lines.append(cells[1].isEmpty() ? cells[0] : cells[0] + u'\t' + cells[1]);
        if (row % 1000 == 999)
            report(progress, 10 + int(80 * qint64(row) / rows));
    }
    return lines.join(u'\n');
}

} // namespace

Result<QString> ReadListFile(const QString& path, const std::function<void(int)>& progress)
{
    report(progress, 0);
    const QFileInfo info(path);
    if (!info.exists())
        return Fail(ComError(ResultCode::FileNotFound, path));
    if (!info.isFile())
        return Fail(ComError(ResultCode::ListNotText, path));
    if (info.size() > kMaxFileBytes)
        return Fail(unreadable(path, u"larger than 64 MB"_qs));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(unreadable(path, file.errorString()));
    const QByteArray head = file.peek(8);

    Result<QString> text = QString();
    if (head.startsWith("PK\x03\x04")) {
        file.close();
        text = readXlsx(path, progress);
    } else if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        file.close();
        text = readXls(path, progress);
    } else {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return Fail(unreadable(path, file.errorString()));
        report(progress, 50);
        text = readText(path, bytes);
    }
    if (text)
        report(progress, 100);
    return text;
}

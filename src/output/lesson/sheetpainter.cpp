#include "output/lesson/sheetpainter.h"

#include <algorithm>

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include "output/batchreport.h"

namespace {

constexpr int kResolution = 600;
constexpr double kSideMarginMm = 18;
constexpr double kEndMarginMm = 15;
constexpr int kMaxLines = 4;        // of a headword or a meaning in its cell
constexpr double kPaddingMm = 1.4;  // above and below a key row's text
constexpr double kWritingRowMm = 10; // room to write a word by hand
constexpr double kColumnGapMm = 10;  // between the blank sheet's two columns

// Key columns: number, headword, meaning (the rest of the width).
constexpr double kNumberWidthMm = 14;
constexpr double kHeadwordWidthMm = 52;
constexpr double kCellGapMm = 4;
// The Chinese sheet: number, meaning, then the line for the English.
constexpr double kChineseMeaningWidthMm = 92;
constexpr double kMeaningRoomMm = 4;  // a meaning's lines above the writing line, at least

// Type sizes, in points.
constexpr double kBodyPoints = 11;
constexpr double kHeadingPoints = 15;
constexpr double kFooterPoints = 9;

// Rules, in points: the title's, the lines to write on (and under the headings), and the
// hairlines between the key's rows, which are grey.
constexpr double kTitleRulePoints = 0.8;
constexpr double kLinePoints = 0.5;
constexpr double kHairlinePoints = 0.3;
constexpr QRgb kHairlineGrey = qRgb(150, 150, 150);

// The page's frame, top to bottom.
constexpr double kTitleRuleGapMm = 1.5;  // the title's line to its rule
constexpr double kBelowTitleMm = 3;      // the rule to the name line or the headings
constexpr double kBelowNameLineMm = 4;   // the name line to the headings
constexpr double kAboveFooterMm = 3;     // the last row to the page number's line
constexpr double kTitleDateGapMm = 6;    // at least, between a long title and the date

// The class sheet's 姓名 / 班级 line: how long each blank is, and the gap after it.
constexpr double kNameBlankMm = 50;
constexpr double kClassBlankMm = 40;
constexpr double kAfterBlankMm = 12;

// Writing on a line: the line above a row's foot, and the text standing just above the line.
constexpr double kLineAboveFootMm = 2.5;
constexpr double kTextAboveLineMm = 0.8;

constexpr double kMmPerInch = 25.4;
constexpr double kPointsPerInch = 72;

QFont SheetFont(double points, bool bold)
{
    // Noto CJK carries Latin letters as well as Chinese, so one face prints the whole sheet; the
    // others are what other systems offer for Simplified Chinese. Fontconfig falls back past them.
    static const QStringList families{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Micro Hei")};
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    // Each glyph straight from the font's character map: the PDF's text names only glyphs the
    // map reaches, so one that shaping puts in (Noto CJK's digit after a letter in "word001", a
    // ligature) would go missing when the sheet is searched or copied. Latin and Chinese need
    // no shaping to read right.
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

SheetPainter::SheetPainter(QPdfWriter& writer, LessonOptions::Sheet sheet, QString title, QDate date)
    : m_writer(writer)
    , m_sheet(sheet)
    , m_title(OneLine(std::move(title)))
    , m_date(date)
    , m_body(SheetFont(kBodyPoints, false))
    , m_bold(SheetFont(kBodyPoints, true))
    , m_heading(SheetFont(kHeadingPoints, true))
    , m_small(SheetFont(kFooterPoints, false))
{
    m_writer.setResolution(kResolution);
    m_writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                       QMarginsF(kSideMarginMm, kEndMarginMm, kSideMarginMm, kEndMarginMm),
                                       QPageLayout::Millimeter));
    const QRect area = m_writer.pageLayout().paintRectPixels(kResolution);
    m_width = area.width();
    m_height = area.height();
}

Result<void> SheetPainter::Paint(QPainter& painter, const std::vector<LessonWord>& words)
{
    std::vector<Row> rows;
    rows.reserve(words.size());
    for (const LessonWord& word : words)
        rows.push_back(LayOut(word));
    int pageCount = 1;
    const std::vector<Place> places = Paginate(rows, &pageCount);

    std::size_t next = 0;
    for (int page = 0; page < pageCount; ++page) {
        if (page > 0 && !m_writer.newPage())
            return Fail(ComError(ResultCode::SheetNotWritten, QStringLiteral("page %1 could not be started").arg(page + 1)));
        PaintPageFrame(painter, page, pageCount);
        for (; next < rows.size() && places[next].page == page; ++next)
            PaintRow(painter, rows[next], places[next]);
    }
    return {};
}

SheetPainter::Row SheetPainter::LayOut(const LessonWord& word) const
{
    Row row;
    row.number = IsKey() ? QString::number(word.number) : QStringLiteral("%1.").arg(word.number);
    const double lineSpacing = QFontMetricsF(m_body, &m_writer).lineSpacing();
    switch (m_sheet) {
    case LessonOptions::Sheet::None: {
        row.headword = Wrap(word.headword, Mm(kHeadwordWidthMm));
        row.meaning = Wrap(word.meaning, m_width - Mm(kNumberWidthMm + kHeadwordWidthMm + kCellGapMm));
        const qsizetype lines = std::max(row.headword.size(), row.meaning.size());
        row.height = double(lines) * lineSpacing + 2 * Mm(kPaddingMm);
        break;
    }
    case LessonOptions::Sheet::Chinese:
        row.meaning = Wrap(word.meaning, Mm(kChineseMeaningWidthMm));
        row.height = std::max(Mm(kWritingRowMm), double(row.meaning.size()) * lineSpacing + Mm(kMeaningRoomMm));
        break;
    case LessonOptions::Sheet::Blank:
        row.height = Mm(kWritingRowMm);
        break;
    }
    return row;
}

std::vector<SheetPainter::Place> SheetPainter::Paginate(const std::vector<Row>& rows, int* pageCount) const
{
    const int columns = m_sheet == LessonOptions::Sheet::Blank ? 2 : 1;
    std::vector<Place> places;
    places.reserve(rows.size());
    const double tops[] = {FrameOf(0).body, FrameOf(1).body};  // the first page's, the others'
    const auto topOf = [&](int page) { return tops[page == 0 ? 0 : 1]; };
    Place at{0, 0, topOf(0)};
    for (const Row& row : rows) {
        // A row that does not fit goes to the next column, or the next page; a row taller than
        // a column (texts are cut so none is) stays at a column's top rather than moving on.
        if (at.top + row.height > BodyBottom() && at.top > topOf(at.page)) {
            if (++at.column == columns) {
                ++at.page;
                at.column = 0;
            }
            at.top = topOf(at.page);
        }
        places.push_back(at);
        at.top += row.height;
    }
    *pageCount = at.page + 1;
    return places;
}

QStringList SheetPainter::Wrap(const QString& text, double width) const
{
    const QString oneLine = OneLine(text);
    QTextLayout layout(oneLine, m_body, &m_writer);
    QTextOption option;
    // At spaces and between Chinese characters; inside a word only when it is wider than the cell.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == kMaxLines - 1) {
            lines << QFontMetricsF(m_body, &m_writer).elidedText(oneLine.mid(line.textStart()), Qt::ElideRight, width);
            break;
        }
        lines << oneLine.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

void SheetPainter::PaintPageFrame(QPainter& painter, int page, int pageCount) const
{
    const QFontMetricsF heading(m_heading, &m_writer);
    const QFontMetricsF body(m_body, &m_writer);
    const QString date = m_date.isValid() ? m_date.toString(u"yyyy-MM-dd") : QString();
    const double dateWidth = body.horizontalAdvance(date);
    painter.setPen(Qt::black);
    painter.setFont(m_heading);
    painter.drawText(QPointF(0, heading.ascent()),
                     heading.elidedText(m_title, Qt::ElideRight, m_width - dateWidth - Mm(kTitleDateGapMm)));
    painter.setFont(m_body);
    painter.drawText(QPointF(m_width - dateWidth, heading.ascent()), date);
    const Frame frame = FrameOf(page);
    PaintRule(painter, 0, m_width, frame.titleRule, kTitleRulePoints);

    if (frame.nameLine > 0) {
        const double baseline = frame.nameLine + body.ascent();
        double x = 0;
        for (const auto& [label, lineMm] : {std::pair{QStringLiteral("姓名："), kNameBlankMm}, {QStringLiteral("班级："), kClassBlankMm}}) {
            painter.drawText(QPointF(x, baseline), label);
            x += body.horizontalAdvance(label);
            PaintRule(painter, x, x + Mm(lineMm), baseline + Mm(kTextAboveLineMm), kLinePoints);
            x += Mm(lineMm + kAfterBlankMm);
        }
    }

    if (m_sheet != LessonOptions::Sheet::Blank) {
        const QStringList headings = IsKey()
                                         ? QStringList{QStringLiteral("序号"), QStringLiteral("单词"), QStringLiteral("中文")}
                                         : QStringList{QStringLiteral("序号"), QStringLiteral("中文"), QStringLiteral("英文")};
        const double second = IsKey() ? kNumberWidthMm + kHeadwordWidthMm + kCellGapMm
                                                       : kNumberWidthMm + kChineseMeaningWidthMm + kCellGapMm;
        const double baseline = frame.headings + Mm(kPaddingMm) + body.ascent();
        painter.setFont(m_bold);
        painter.drawText(QPointF(0, baseline), headings[0]);
        painter.drawText(QPointF(Mm(kNumberWidthMm), baseline), headings[1]);
        painter.drawText(QPointF(Mm(second), baseline), headings[2]);
        PaintRule(painter, 0, m_width, frame.body, kLinePoints);
    }

    const QFontMetricsF small(m_small, &m_writer);
    const QString footer = QStringLiteral("第 %1 页 / 共 %2 页").arg(page + 1).arg(pageCount);
    painter.setFont(m_small);
    painter.drawText(QPointF((m_width - small.horizontalAdvance(footer)) / 2, m_height - small.descent()), footer);
}

void SheetPainter::PaintRow(QPainter& painter, const Row& row, const Place& place) const
{
    const QFontMetricsF body(m_body, &m_writer);
    const double x = place.column * (ColumnWidth() + Mm(kColumnGapMm));
    painter.setFont(m_body);
    painter.setPen(Qt::black);
    if (IsKey()) {
        const double top = place.top + Mm(kPaddingMm);
        PaintLines(painter, {row.number}, x, top);
        PaintLines(painter, row.headword, x + Mm(kNumberWidthMm), top);
        PaintLines(painter, row.meaning, x + Mm(kNumberWidthMm + kHeadwordWidthMm + kCellGapMm), top);
        PaintRule(painter, 0, m_width, place.top + row.height, kHairlinePoints);
        return;
    }
    // The class writes on the line; the number and the meaning's last line stand on it too.
    const double line = place.top + row.height - Mm(kLineAboveFootMm);
    const double lastBaseline = line - Mm(kTextAboveLineMm);
    const auto topFor = [&](qsizetype lines) { return lastBaseline - body.ascent() - double(lines - 1) * body.lineSpacing(); };
    PaintLines(painter, {row.number}, x, topFor(1));
    double writeFrom = x + Mm(kNumberWidthMm);
    if (m_sheet == LessonOptions::Sheet::Chinese) {
        PaintLines(painter, row.meaning, writeFrom, topFor(row.meaning.size()));
        writeFrom += Mm(kChineseMeaningWidthMm + kCellGapMm);
    }
    PaintRule(painter, writeFrom, x + ColumnWidth(), line, kLinePoints);
}

void SheetPainter::PaintLines(QPainter& painter, const QStringList& lines, double x, double top) const
{
    const QFontMetricsF body(m_body, &m_writer);
    double baseline = top + body.ascent();
    for (const QString& line : lines) {
        painter.drawText(QPointF(x, baseline), line);
        baseline += body.lineSpacing();
    }
}

void SheetPainter::PaintRule(QPainter& painter, double x1, double x2, double y, double points) const
{
    painter.save();
    // Hairlines (between the key's rows) in grey, so the table reads as rows and not as a grid.
    painter.setPen(QPen(points < kLinePoints ? QColor(kHairlineGrey) : QColor(Qt::black), points * kResolution / kPointsPerInch));
    painter.drawLine(QPointF(x1, y), QPointF(x2, y));
    painter.restore();
}

double SheetPainter::Mm(double millimetres) const
{
    return millimetres * kResolution / kMmPerInch;
}

SheetPainter::Frame SheetPainter::FrameOf(int page) const
{
    const double body = QFontMetricsF(m_body, &m_writer).lineSpacing();
    Frame frame;
    frame.titleRule = QFontMetricsF(m_heading, &m_writer).lineSpacing() + Mm(kTitleRuleGapMm);
    double top = frame.titleRule + Mm(kBelowTitleMm);
    if (page == 0 && !IsKey()) {
        frame.nameLine = top;
        top += body + Mm(kBelowNameLineMm);
    }
    frame.headings = top;
    if (m_sheet != LessonOptions::Sheet::Blank)
        top += body + 2 * Mm(kPaddingMm);
    frame.body = top;
    return frame;
}

double SheetPainter::BodyBottom() const
{
    return m_height - QFontMetricsF(m_small, &m_writer).lineSpacing() - Mm(kAboveFooterMm);
}

double SheetPainter::ColumnWidth() const
{
    return m_sheet == LessonOptions::Sheet::Blank ? (m_width - Mm(kColumnGapMm)) / 2 : m_width;
}

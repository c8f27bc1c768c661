#pragma once

#include <vector>

#include <QDate>
#include <QFont>
#include <QString>
#include <QStringList>

#include "base/comerror.h"
#include "output/lesson/lessonword.h"
#include "output/lessonoptions.h"

class QPainter;
class QPdfWriter;

/// Lays a dictation sheet out on the writer's pages and paints it: the title line on every
/// page, the page numbers at the foot, and between them the rows of its kind, in one column
/// (the key, the Chinese sheet) or two (the blank sheet). A row never breaks across pages, and
/// a text is cut to a few lines so every row fits one.
class SheetPainter
{
public:
    /// Sets the writer's page (A4 portrait and its margins) and resolution, so it comes before
    /// a painter is begun on the writer. `sheet` is the class's sheet, or kKeySheet (None).
    SheetPainter(QPdfWriter& writer, LessonOptions::Sheet sheet, QString title, QDate date);

    /// Paints `words` with `painter`, begun on the writer. Fails with ResultCode::SheetNotWritten,
    /// the reason as its subject, when the writer could not start a new page.
    Result<void> Paint(QPainter& painter, const std::vector<LessonWord>& words);
    /// The font of the sheet's words.
    const QFont& BodyFont() const { return m_body; }

private:
    // One word as laid out: its cells' lines and its height.
    struct Row
    {
        QString number;
        QStringList headword;
        QStringList meaning;
        double height = 0;
    };
    // Where a row goes: its page, column and top.
    struct Place
    {
        int page = 0;
        int column = 0;
        double top = 0;
    };

    // The tops of what every page has above its rows; nameLine is 0 on a page without one.
    struct Frame
    {
        double titleRule = 0;
        double nameLine = 0;
        double headings = 0;
        double body = 0;
    };

    Row LayOut(const LessonWord& word) const;
    std::vector<Place> Paginate(const std::vector<Row>& rows, int* pageCount) const;
    QStringList Wrap(const QString& text, double width) const;

    void PaintPageFrame(QPainter& painter, int page, int pageCount) const;
    void PaintRow(QPainter& painter, const Row& row, const Place& place) const;
    void PaintLines(QPainter& painter, const QStringList& lines, double x, double top) const;
    void PaintRule(QPainter& painter, double x1, double x2, double y, double points) const;

    double Mm(double millimetres) const;
    Frame FrameOf(int page) const;
    double BodyBottom() const;
    double ColumnWidth() const;
    bool IsKey() const { return m_sheet == LessonOptions::Sheet::None; }

    QPdfWriter& m_writer;
    LessonOptions::Sheet m_sheet;
    QString m_title;
    QDate m_date;
    QFont m_body;
    QFont m_bold;
    QFont m_heading;
    QFont m_small;
    double m_width = 0;   // the printable area, in the writer's units
    double m_height = 0;
};

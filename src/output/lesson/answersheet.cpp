#include "output/lesson/answersheet.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

#include "base/atomicfile.h"
#include "output/lesson/pdfradicals.h"
#include "output/lesson/sheetpainter.h"

namespace {

ComError NotWritten(const QString& path, const QString& reason)
{
    return ComError(ResultCode::SheetNotWritten, QStringLiteral("%1 (%2)").arg(path, reason));
}

// The whole PDF, or why it could not be painted (as NotWritten's reason).
Result<QByteArray> PaintPdf(LessonOptions::Sheet sheetKind, const QString& title, QDate date, const std::vector<LessonWord>& words)
{
    const auto unpainted = [](const QString& reason) { return Fail(ComError(ResultCode::SheetNotWritten, reason)); };
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QPdfWriter writer(&pdf);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Lexovox"));
    SheetPainter sheet(writer, sheetKind, title, date);
    QPainter painter;
    if (!painter.begin(&writer))
        return unpainted(QStringLiteral("the PDF could not be painted"));
    const Result<void> painted = sheet.Paint(painter, words);
    if (!painter.end())
        return unpainted(QStringLiteral("the PDF could not be painted"));
    if (!painted)
        return Fail(painted.error());
    QByteArray bytes = pdf.data();
    NameGlyphsAfterIdeographs(bytes, IdeographsOfRadicals(sheet.BodyFont()));
    return bytes;
}

} // namespace

Result<void> WriteAnswerSheet(const QString& path, LessonOptions::Sheet sheet, const QString& title, QDate date,
                              const std::vector<LessonWord>& words)
{
    // Without one Qt has no fonts and ends the program on the first text painted.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return Fail(NotWritten(path, QStringLiteral("no fonts without a QGuiApplication")));

    AtomicFile file;
    if (Result<void> opened = file.Open(path, u".pdf"); !opened)
        return opened;
    const Result<QByteArray> painted = PaintPdf(sheet, title, date, words);
    if (!painted)
        return Fail(NotWritten(path, painted.error().Subject()));
    const QByteArray& pdf = *painted;
    // Through the temporary file's own descriptor, which the AtomicFile keeps and closes.
    QFile device;
    if (!device.open(file.Handle(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle) || device.write(pdf) != pdf.size()
        || !device.flush())
        return Fail(NotWritten(path, device.errorString()));
    device.close();
    return file.Commit();
}

#include "output/batchreport.h"

#include <QLocale>

#include "base/comerror.h"

QString BatchReport::Message() const
{
    if (!anyChecked)
        return QStringLiteral("您还没有钩选单词");
    QString text = stopped ? QStringLiteral("语音文件生成已停止") : QStringLiteral("语音文件生成完毕");
    // A lesson instead of the words' files says what it wrote, not "0 files".
    text += total > 0 || lessonFiles.isEmpty() ? QStringLiteral("\n\n已生成 %1 个文件").arg(written)
                                               : QStringLiteral("\n\n已生成听写");
    if (overwritten > 0)
        text += QStringLiteral("，%1 个被同名的后一行覆盖").arg(overwritten);
    if (skipped > 0)
        text += QStringLiteral("，跳过 %1 个已有文件").arg(skipped);
    if (failed > 0)
        text += QStringLiteral("，%1 个失败").arg(failed);
    if (stopped && Missing() - failed > 0)
        text += QStringLiteral("，%1 个未生成").arg(Missing() - failed);
    text += QStringLiteral("，用时 %1 秒。").arg(double(elapsedMs) / 1000.0, 0, 'f', 1);
    if (!lessonFiles.isEmpty())
        text += QStringLiteral("\n\n听写：%1").arg(lessonFiles.join(u"、"_qs));
    else if (lessonAsked && stopped)
        text += QStringLiteral("\n\n听写未生成：生成已停止。");
    if (failed == 0)
        return text;
    text += QStringLiteral("\n\n%1 个文件未能生成：").arg(failed);
    for (std::size_t i = 0; i < failures.size() && i < std::size_t(kFailuresShown); ++i)
        text += QStringLiteral("\n%1：%2").arg(failures[i].headword, failures[i].reason);
    if (failed > kFailuresShown)
        text += QStringLiteral("\n……");
    return text;
}

QString LessonTrackSummary(const BatchReport& report)
{
    if (report.lessonTrack.isEmpty())
        return {};
    const qint64 seconds = qRound64(report.lessonSeconds);
    const QString length = seconds >= 3600 ? QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60)
                           : seconds >= 60 ? QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60)
                                           : QStringLiteral("%1 s").arg(seconds);
    return QStringLiteral("%1 %2, %3 in %4")
        .arg(QLocale(QLocale::English, QLocale::UnitedStates).toString(report.lessonWords),
             report.lessonWords == 1 ? u"word"_qs : u"words"_qs, length, report.lessonTrack);
}

QString FailureReason(HRESULT code)
{
    if (HasComErrorText(code))
        return ComErrorText(code, {}, true);
    // Only a code the table has no words for is shown as its number.
    return QStringLiteral("语音合成失败 (0x%1)").arg(QString::number(quint32(code), 16).toUpper());
}

QString FailureReason(const ComError& error)
{
    if (HasComErrorText(error.Error()))
        return ComErrorText(error.Error(), error.Subject(), true);
    return FailureReason(error.Error());
}

QString OneLine(QString text)
{
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return text.simplified();
}

QString RemainingTimeText(qint64 ms)
{
    const qint64 seconds = (ms + 999) / 1000;
    if (seconds < 60)
        return QStringLiteral("约 %1 秒").arg(seconds);
    return QStringLiteral("约 %1 分钟").arg((seconds + 59) / 60);
}

QString NameNotAllowedReason()
{
    return FailureReason(ResultCode::NameNotAllowed);
}

QString WorkerCrashedReason()
{
    return FailureReason(ResultCode::WorkerCrashed);
}

QString WorkerTimedOutReason()
{
    return FailureReason(ResultCode::WorkerTimedOut);
}

QString WorkerUnavailableReason()
{
    return FailureReason(ResultCode::WorkerUnavailable);
}

QString PrintableText(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control)
            shown += c;
        else if (c == u'\n')
            shown += QStringLiteral("\\n");
        else if (c == u'\t')
            shown += QStringLiteral("\\t");
        else if (c == QChar(0))
            shown += QStringLiteral("\\0");
        else
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar(u'0')).toUpper().replace(u"\\X"_qs, u"\\x"_qs);
    }
    return shown;
}

#include "output/batchgeneration.h"

#include "base/comerror.h"
#include "output/outputpath.h"
#include "vocab/wordlistmodel.h"

QString BatchReport::Message() const
{
    if (!anyChecked)
        return QStringLiteral("您还没有钩选单词");
    QString text = QStringLiteral("语音文件生成完毕");
    if (failed == 0)
        return text;
    text += QStringLiteral("\n\n%1 个文件未能生成：").arg(failed);
    for (const BatchFailure& failure : firstFailures)
        text += QStringLiteral("\n%1：%2").arg(failure.headword, failure.reason);
    if (failed > int(firstFailures.size()))
        text += QStringLiteral("\n……");
    return text;
}

BatchReport BatchGeneration::Run(const WordListModel& words, const QString& folder, SpeechOptions options,
                                 const SpeakToFile& speak, const Progress& progress)
{
    BatchReport report;
    const auto fail = [&report](const QString& headword, const QString& reason) {
        ++report.failed;
        if (int(report.firstFailures.size()) < kFailuresShown)
            report.firstFailures.push_back({headword, reason});
    };
    const int count = words.count();
    for (int row = 0; row < count; ++row) {
        if (progress)
            progress(row);
        if (!words.isChecked(row))
            continue;
        report.anyChecked = true;
        const QString& en = words.en(row);
        const std::optional<QString> path = OutputFilePath(folder, en);
        if (!path) {
            fail(en, QStringLiteral("文件名不允许"));
            continue;
        }
        const HRESULT result = speak(ComposeUtterance(en, words.ch(row), options), *path);
        if (Failed(result))
            fail(en, FailureReason(result));
        else
            ++report.written;
    }
    return report;
}

QString BatchGeneration::FailureReason(HRESULT code)
{
    // The closing message is Chinese whatever the locale.
    if (HasComErrorText(code))
        return ComErrorText(code, {}, true);
    return QStringLiteral("语音合成失败 (0x%1)").arg(QString::number(quint32(code), 16).toUpper());
}

#include "ui/generationrun.h"

#include <algorithm>

#include <QProgressBar>
#include <QPushButton>

#include "output/batchengine.h"
#include "output/lesson/lessonrun.h"
#include "ui/prompt.h"

GenerationRun::GenerationRun(QPushButton* generate, QProgressBar* progress, std::vector<QWidget*> locked,
                             std::function<void(bool)> lock, QWidget* window)
    : QObject(window)
    , m_engine(new BatchEngine(this))
    , m_generate(generate)
    , m_progress(progress)
    , m_locked(std::move(locked))
    , m_lock(std::move(lock))
    , m_window(window)
{
    connect(m_engine, &BatchEngine::progress, this, &GenerationRun::showProgress);
    connect(m_engine, &BatchEngine::finished, this, &GenerationRun::finished);
}

bool GenerationRun::IsRunning() const
{
    return m_engine->IsRunning();
}

void GenerationRun::Start(const BatchJob& job, std::vector<BatchWord> words, std::vector<LessonWord> lesson,
                          const QString& notice)
{
    m_notice = notice;
    m_progress->setToolTip(notice);
    m_lock(false);
    for (QWidget* control : m_locked)
        control->setEnabled(false);
    m_generate->setText(QStringLiteral("停止"));
    m_generate->setEnabled(true);
    m_engine->Start(job, std::move(words), LessonRun::For(job, std::move(lesson)));
    m_progress->setRange(0, std::max<int>(1, m_engine->Total()));
    m_progress->setTextVisible(true); // done/total and the time left, during a run only
    showProgress(0, m_engine->Total());
}

void GenerationRun::Stop()
{
    m_engine->Stop();
}

bool GenerationRun::StopThen(std::function<void()> then)
{
    if (!m_engine->IsRunning())
        return false;
    m_afterRun = std::move(then);
    m_engine->Stop();
    return true;
}

void GenerationRun::showProgress(int done, int total)
{
    m_progress->setValue(done);
    QString text = QStringLiteral("%1/%2").arg(done).arg(total);
    if (const qint64 left = m_engine->RemainingMs(); left >= 0 && done < total)
        text += QStringLiteral(" · ") + RemainingTimeText(left);
    // The bar's format treats % as a placeholder.
    m_progress->setFormat(text.replace(u'%', QStringLiteral("%%")));
}

void GenerationRun::finished(const BatchReport& report)
{
    m_generate->setText(QStringLiteral("生成文件"));
    for (QWidget* control : m_locked)
        control->setEnabled(true);
    m_lock(true);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setFormat(QString());
    m_progress->setToolTip(QString());
    if (std::function<void()> then = std::exchange(m_afterRun, {})) {
        then(); // the window was asked to close during the run
        return;
    }
    const QString message = report.Message();
    Prompt::message(m_window, QStringLiteral("信息"), m_notice.isEmpty() ? message : message + u"\n\n"_qs + m_notice,
                    QMessageBox::NoIcon);
}

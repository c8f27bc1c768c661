#pragma once

#include <functional>
#include <vector>

#include <QObject>

#include "output/batchjob.h"
#include "output/batchwords.h"

class BatchEngine;
struct BatchReport;
class QProgressBar;
class QPushButton;
class QWidget;

/// The window's side of a run: while it lasts the generate button reads 停止, the controls that
/// would change the run are locked and the progress bar shows done/total and the time left; at
/// the end they come back and one message says how it went.
class GenerationRun : public QObject
{
    Q_OBJECT

public:
    /// `lock(false)` locks the window's action controls and `lock(true)` frees them; `locked`
    /// are further controls that stay locked for the run alone.
    GenerationRun(QPushButton* generate, QProgressBar* progress, std::vector<QWidget*> locked,
                  std::function<void(bool)> lock, QWidget* window);

    BatchEngine& Engine() const { return *m_engine; }
    bool IsRunning() const;

    /// `notice`, when there is one, is said under the bar during the run and after its report.
    void Start(const BatchJob& job, std::vector<BatchWord> words, std::vector<LessonWord> lesson = {},
               const QString& notice = {});
    /// The words in progress are finished, then the run ends with its message.
    void Stop();
    /// With a run going: stops it and runs `then` when it has ended, instead of the closing
    /// message. False, doing nothing, without a run.
    bool StopThen(std::function<void()> then);

private:
    void showProgress(int done, int total);
    void finished(const BatchReport& report);

    BatchEngine* m_engine;
    QPushButton* m_generate;
    QProgressBar* m_progress;
    std::vector<QWidget*> m_locked;
    std::function<void(bool)> m_lock;
    QWidget* m_window;
    QString m_notice;
    std::function<void()> m_afterRun;
};

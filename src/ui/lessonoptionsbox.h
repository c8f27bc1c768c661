#pragma once

#include <QGroupBox>

#include "output/lessonoptions.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

/// The 听写 part of the 选项… dialog: the lesson track and its writing pause in whole seconds,
/// the class's answer sheet and the teacher's key. The window writes the words' own files
/// whatever is chosen here; a lesson comes beside them.
class LessonOptionsBox : public QGroupBox
{
    Q_OBJECT

public:
    explicit LessonOptionsBox(const LessonOptions& options, QWidget* parent = nullptr);

    /// The choices as the controls stand.
    LessonOptions options() const;

private:
    QCheckBox* m_pTrackCheckBox;
    QSpinBox* m_pPauseSpinBox;
    QComboBox* m_pSheetComboBox;
    QCheckBox* m_pKeyCheckBox;
};

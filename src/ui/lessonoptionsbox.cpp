#include "ui/lessonoptionsbox.h"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QSpinBox>

using Sheet = LessonOptions::Sheet;

LessonOptionsBox::LessonOptionsBox(const LessonOptions& options, QWidget* parent)
    : QGroupBox(QStringLiteral("听写"), parent)
    , m_pTrackCheckBox(new QCheckBox(QStringLiteral("生成听写音轨"), this))
    , m_pPauseSpinBox(new QSpinBox(this))
    , m_pSheetComboBox(new QComboBox(this))
    , m_pKeyCheckBox(new QCheckBox(QStringLiteral("答案"), this))
{
    setObjectName(QStringLiteral("lessonOptionsBox"));
    m_pTrackCheckBox->setObjectName(QStringLiteral("lessonTrackCheckBox"));
    m_pTrackCheckBox->setToolTip(
        QStringLiteral("把所有钩选的单词按顺序编号读出，每个单词后留出书写时间，生成一个音轨和 LRC 时间表"));
    m_pTrackCheckBox->setChecked(options.track);

    m_pPauseSpinBox->setObjectName(QStringLiteral("lessonPauseSpinBox"));
    m_pPauseSpinBox->setToolTip(QStringLiteral("听写音轨里每个单词读完后留给学生书写的时间"));
    m_pPauseSpinBox->setRange(LessonOptions::kMinPauseMs / 1000, LessonOptions::kMaxPauseMs / 1000);
    m_pPauseSpinBox->setSuffix(QStringLiteral(" 秒"));
    // A pause edited by hand into the settings need not be whole seconds.
    m_pPauseSpinBox->setValue(int(std::lround(options.pauseMs / 1000.0)));
    m_pPauseSpinBox->setEnabled(options.track);

    m_pSheetComboBox->setObjectName(QStringLiteral("answerSheetComboBox"));
    m_pSheetComboBox->setToolTip(
        QStringLiteral("生成给学生的答题纸（PDF）：空白的编号横线，或给出中文让学生写出英文"));
    m_pSheetComboBox->addItem(QStringLiteral("不生成"), int(Sheet::None));
    m_pSheetComboBox->addItem(QStringLiteral("空白"), int(Sheet::Blank));
    m_pSheetComboBox->addItem(QStringLiteral("给出中文"), int(Sheet::Chinese));
    m_pSheetComboBox->setCurrentIndex(std::max(0, m_pSheetComboBox->findData(int(options.sheet))));

    m_pKeyCheckBox->setObjectName(QStringLiteral("answerKeyCheckBox"));
    m_pKeyCheckBox->setToolTip(QStringLiteral("生成给老师的答案（PDF）：编号、英文和中文"));
    m_pKeyCheckBox->setChecked(options.key);

    auto* form = new QFormLayout(this);
    form->addRow(m_pTrackCheckBox);
    form->addRow(QStringLiteral("听写停顿"), m_pPauseSpinBox);
    form->addRow(QStringLiteral("答题纸"), m_pSheetComboBox);
    form->addRow(m_pKeyCheckBox);

    connect(m_pTrackCheckBox, &QCheckBox::toggled, m_pPauseSpinBox, &QWidget::setEnabled);
}

LessonOptions LessonOptionsBox::options() const
{
    LessonOptions options;
    options.track = m_pTrackCheckBox->isChecked();
    options.pauseMs = m_pPauseSpinBox->value() * 1000;
    options.sheet = Sheet(m_pSheetComboBox->currentData().toInt());
    options.key = m_pKeyCheckBox->isChecked();
    return options;
}

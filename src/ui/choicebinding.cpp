#include "ui/choicebinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "speech/speechengine.h"
#include "ui/outputoptionsdlg.h"

ChoiceBinding::ChoiceBinding(Boxes boxes, SpeechEngine& engine)
    : m_boxes(boxes)
    , m_engine(engine)
{
}

WindowSettings ChoiceBinding::Restore()
{
    const WindowSettings saved = LoadWindowSettings();
    m_boxes.folder->setText(saved.folder);
    m_boxes.spellOut->setChecked(saved.spellOut);
    m_boxes.chineseMeaning->setChecked(saved.chineseMeaning);
    m_boxes.prefix->setChecked(saved.prefix);
    m_boxes.skipExisting->setChecked(saved.skipExisting);
    m_files = saved.files;
    m_sound = saved.sound;
    m_lesson = saved.lesson;
    // The rates are kept in range; without a voice there is nothing to speak at them.
    (void)m_engine.SetSpeakingRates(m_sound.englishRate, m_sound.chineseRate);
    const int format = saved.formatCode >= 0 ? m_boxes.format->findData(saved.formatCode) : -1;
    if (format >= 0)
        m_boxes.format->setCurrentIndex(format);
    m_formatEntry = format;
    return saved;
}

int ChoiceBinding::chosenFormatCode() const
{
    const QVariant code = m_boxes.format->currentData();
    return code.isValid() ? code.toInt() : -1;
}

WindowSettings ChoiceBinding::Current(const QString& voiceId) const
{
    WindowSettings s;
    s.folder = m_boxes.folder->text();
    s.voiceId = voiceId;
    s.formatCode = chosenFormatCode();
    s.spellOut = m_boxes.spellOut->isChecked();
    s.chineseMeaning = m_boxes.chineseMeaning->isChecked();
    s.prefix = m_boxes.prefix->isChecked();
    s.skipExisting = m_boxes.skipExisting->isChecked();
    s.files = m_files;
    s.sound = m_sound;
    s.lesson = m_lesson;
    return s;
}

void ChoiceBinding::EditOptions(QWidget* parent)
{
    OutputOptionsDlg options(m_files, m_sound, m_lesson, RunFormatCode(chosenFormatCode()), parent);
    if (options.exec() != QDialog::Accepted)
        return;
    m_files = options.options();
    m_sound = options.soundOptions();
    m_lesson = options.lessonOptions();
    // As in Restore: the dialog offers rates in range only.
    (void)m_engine.SetSpeakingRates(m_sound.englishRate, m_sound.chineseRate);
}

#include "ui/choicebinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "speech/speechengine.h"
#include "speech/voicecatalogue.h"
#include "ui/outputoptionsdlg.h"

ChoiceBinding::ChoiceBinding(Boxes boxes, SpeechEngine& engine)
    : m_boxes(boxes)
    , m_engine(engine)
{
}

WindowSettings ChoiceBinding::Restore()
{
    const WindowSettings saved = LoadWindowSettings();
    const BatchJob& job = saved.job;
    m_boxes.folder->setText(job.folder);
    m_boxes.spellOut->setChecked(job.speech.spellOut);
    m_boxes.chineseMeaning->setChecked(job.speech.chineseMeaning);
    m_boxes.prefix->setChecked(job.speech.prefix);
    m_boxes.skipExisting->setChecked(job.skipExisting);
    m_options = job;
    // The rates are kept in range; without a voice there is nothing to speak at them.
    (void)m_engine.SetSpeakingRates(job.sound.englishRate, job.sound.chineseRate);
    // A Chinese voice since removed gives way to the default, in previews and runs alike.
    if (const Result<void> chinese = m_engine.SelectChineseVoice(job.sound.chineseVoice);
        !chinese && chinese.error().Error() == ResultCode::JobBadChineseVoice)
        m_options.sound.chineseVoice.clear();
    const int format = saved.formatChosen ? m_boxes.format->findData(job.formatCode) : -1;
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
    s.job = m_options;
    s.job.folder = m_boxes.folder->text();
    s.job.voiceId = voiceId;
    s.formatChosen = chosenFormatCode() >= 0;
    s.job.formatCode = RunFormatCode(chosenFormatCode());
    s.job.speech = {m_boxes.spellOut->isChecked(), m_boxes.chineseMeaning->isChecked(), m_boxes.prefix->isChecked()};
    s.job.skipExisting = m_boxes.skipExisting->isChecked();
    return s;
}

void ChoiceBinding::EditOptions(QWidget* parent)
{
    std::vector<ChineseVoiceEntry> chineseVoices;
    for (const speech::VoiceInfo& voice : speech::ListVoices(m_engine.GetPlatform())) {
        if (voice.chinese)
            chineseVoices.push_back({voice.id, voice.description});
    }
    OutputOptionsDlg options(m_options.files, m_options.sound, m_options.lesson, RunFormatCode(chosenFormatCode()),
                             chineseVoices, parent);
    if (options.exec() != QDialog::Accepted)
        return;
    m_options.files = options.options();
    m_options.sound = options.soundOptions();
    m_options.lesson = options.lessonOptions();
    // As in Restore: the dialog offers rates in range only.
    (void)m_engine.SetSpeakingRates(m_options.sound.englishRate, m_options.sound.chineseRate);
    // The dialog offers installed Chinese voices only.
    (void)m_engine.SelectChineseVoice(m_options.sound.chineseVoice);
}

#pragma once

#include <vector>

#include <QGroupBox>

#include "output/soundoptions.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

/// A voice the 中文语音 list offers: its token id and its description.
struct ChineseVoiceEntry
{
    QString id;
    QString description;
};

/// The 声音 part of the 选项… dialog: repeats, pauses, silence at the ends of a file, loudness,
/// speaking rates, the voice that says the Chinese (eSpeak NG's Mandarin or one of `chineseVoices`)
/// and the pronunciation list (shown with its path, openable, and checked line by line).
class SoundOptionsBox : public QGroupBox
{
    Q_OBJECT

public:
    explicit SoundOptionsBox(const SoundOptions& options, const std::vector<ChineseVoiceEntry>& chineseVoices = {},
                             QWidget* parent = nullptr);

    /// The choices as the controls stand.
    SoundOptions options() const;

private:
    void openList();
    void chooseList();
    void showList();

    QSpinBox* m_pRepeatSpinBox;
    QSpinBox* m_pPauseSpinBox;
    QSpinBox* m_pLeadSpinBox;
    QSpinBox* m_pTrailSpinBox;
    QCheckBox* m_pLoudnessCheckBox;
    QDoubleSpinBox* m_pLoudnessSpinBox;
    QSpinBox* m_pEnglishRateSpinBox;
    QSpinBox* m_pChineseRateSpinBox;
    QComboBox* m_pChineseVoiceComboBox;
    QLabel* m_pListPathLabel;
    QLabel* m_pListStateLabel;
    QString m_strList;  // the list's path as chosen; empty: the default list
};

#pragma once

#include <vector>

#include <QDialog>

#include "output/fileoptions.h"
#include "output/lessonoptions.h"
#include "output/soundoptions.h"
#include "ui/soundoptionsbox.h"

class LessonOptionsBox;
class QCheckBox;
class QComboBox;

/// The 选项… dialog of the 生成文件 group: file type and MP3 bit rate, 编号, 播放列表,
/// card-safe names and 可重复 (identical files, slower); how the words sound (SoundOptionsBox);
/// and a dictation lesson made beside them (LessonOptionsBox). The bit rates offered are those
/// the window's format (`formatCode`) takes; a rate it does not take is shown as the nearest
/// it does.
class OutputOptionsDlg : public QDialog
{
    Q_OBJECT

public:
    OutputOptionsDlg(const OutputFileOptions& options, const SoundOptions& sound, const LessonOptions& lesson,
                     int formatCode, const std::vector<ChineseVoiceEntry>& chineseVoices = {}, QWidget* parent = nullptr);

    /// The choices as the controls stand.
    OutputFileOptions options() const;
    SoundOptions soundOptions() const;
    LessonOptions lessonOptions() const;

private:
    void typeChosen();
    /// Fills the bit rate list with `rates` and selects the nearest to `remembered`.
    void offerBitRates(const std::vector<int>& rates, int remembered);

    QComboBox* m_pTypeComboBox;
    QComboBox* m_pBitrateComboBox;
    QCheckBox* m_pNumberedCheckBox;
    QCheckBox* m_pPlaylistCheckBox;
    QCheckBox* m_pCardSafeCheckBox;
    QCheckBox* m_pRepeatableCheckBox;
    SoundOptionsBox* m_pSoundBox;
    LessonOptionsBox* m_pLessonBox;
    bool m_cardSafeTouched = false; // until the user sets it, it follows the file type
};

#pragma once

#include <QDialog>

#include "output/fileoptions.h"
#include "output/soundoptions.h"

class QCheckBox;
class QComboBox;
class QSpinBox;
class SoundOptionsBox;

/// The 选项… dialog of the 生成文件 group: file type and MP3 bit rate, 编号, 播放列表 and
/// card-safe names; and how the words sound (SoundOptionsBox).
class OutputOptionsDlg : public QDialog
{
    Q_OBJECT

public:
    OutputOptionsDlg(const OutputFileOptions& options, const SoundOptions& sound, QWidget* parent = nullptr);

    /// The choices as the controls stand.
    OutputFileOptions options() const;
    SoundOptions soundOptions() const;

private:
    void typeChosen();

    QComboBox* m_pTypeComboBox;
    QSpinBox* m_pBitrateSpinBox;
    QCheckBox* m_pNumberedCheckBox;
    QCheckBox* m_pPlaylistCheckBox;
    QCheckBox* m_pCardSafeCheckBox;
    SoundOptionsBox* m_pSoundBox;
    bool m_cardSafeTouched = false; // until the user sets it, it follows the file type
};

#include "ui/outputoptionsdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

#include "ui/soundoptionsbox.h"

using speech::FileEncoding;
using speech::OutputFileType;

OutputOptionsDlg::OutputOptionsDlg(const OutputFileOptions& options, const SoundOptions& sound, QWidget* parent)
    : QDialog(parent)
    , m_pTypeComboBox(new QComboBox(this))
    , m_pBitrateSpinBox(new QSpinBox(this))
    , m_pNumberedCheckBox(new QCheckBox(QStringLiteral("编号（001 apple.mp3，播放器按课本顺序播放）"), this))
    , m_pPlaylistCheckBox(new QCheckBox(QStringLiteral("播放列表（文件夹名.m3u8）"), this))
    , m_pCardSafeCheckBox(new QCheckBox(QStringLiteral("适合存储卡的文件名（FAT/exFAT）"), this))
    , m_pSoundBox(new SoundOptionsBox(sound, this))
    , m_cardSafeTouched(options.cardSafe.has_value())
{
    setWindowTitle(QStringLiteral("选项"));
    setObjectName(QStringLiteral("outputOptionsDialog"));
    m_pTypeComboBox->setObjectName(QStringLiteral("fileTypeComboBox"));
    m_pBitrateSpinBox->setObjectName(QStringLiteral("bitrateSpinBox"));
    m_pNumberedCheckBox->setObjectName(QStringLiteral("numberedCheckBox"));
    m_pPlaylistCheckBox->setObjectName(QStringLiteral("playlistCheckBox"));
    m_pCardSafeCheckBox->setObjectName(QStringLiteral("cardSafeCheckBox"));

    m_pTypeComboBox->addItem(QStringLiteral("WAV"), int(OutputFileType::Wav));
    m_pTypeComboBox->addItem(QStringLiteral("MP3"), int(OutputFileType::Mp3));
    m_pTypeComboBox->addItem(QStringLiteral("Opus"), int(OutputFileType::Opus));
    m_pTypeComboBox->setCurrentIndex(m_pTypeComboBox->findData(int(options.encoding.type)));
    m_pBitrateSpinBox->setRange(FileEncoding::kMinMp3Kbps, FileEncoding::kMaxMp3Kbps);
    m_pBitrateSpinBox->setSingleStep(16);
    m_pBitrateSpinBox->setSuffix(QStringLiteral(" kbps"));
    m_pBitrateSpinBox->setValue(options.encoding.mp3Kbps);
    m_pNumberedCheckBox->setChecked(options.numbered);
    m_pPlaylistCheckBox->setChecked(options.playlist);
    m_pCardSafeCheckBox->setChecked(options.IsCardSafe());

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("文件类型"), m_pTypeComboBox);
    form->addRow(QStringLiteral("比特率 (MP3)"), m_pBitrateSpinBox);
    form->addRow(m_pNumberedCheckBox);
    form->addRow(m_pPlaylistCheckBox);
    form->addRow(m_pCardSafeCheckBox);
    form->addRow(m_pSoundBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pTypeComboBox, &QComboBox::currentIndexChanged, this, &OutputOptionsDlg::typeChosen);
    connect(m_pCardSafeCheckBox, &QCheckBox::clicked, this, [this] { m_cardSafeTouched = true; });
    typeChosen();
}

OutputFileOptions OutputOptionsDlg::options() const
{
    OutputFileOptions options;
    options.encoding.type = OutputFileType(m_pTypeComboBox->currentData().toInt());
    options.encoding.mp3Kbps = m_pBitrateSpinBox->value();
    options.numbered = m_pNumberedCheckBox->isChecked();
    options.playlist = m_pPlaylistCheckBox->isChecked();
    if (m_cardSafeTouched)
        options.cardSafe = m_pCardSafeCheckBox->isChecked();
    return options;
}

SoundOptions OutputOptionsDlg::soundOptions() const
{
    return m_pSoundBox->options();
}

void OutputOptionsDlg::typeChosen()
{
    const auto type = OutputFileType(m_pTypeComboBox->currentData().toInt());
    m_pBitrateSpinBox->setEnabled(type == OutputFileType::Mp3);
    if (!m_cardSafeTouched)
        m_pCardSafeCheckBox->setChecked(type != OutputFileType::Wav);
}

#include "ui/outputoptionsdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "speech/audioformattable.h"
#include "ui/lessonoptionsbox.h"
#include "ui/soundoptionsbox.h"

using speech::OutputFileType;

OutputOptionsDlg::OutputOptionsDlg(const OutputFileOptions& options, const SoundOptions& sound,
                                   const LessonOptions& lesson, int formatCode,
                                   const std::vector<ChineseVoiceEntry>& chineseVoices, QWidget* parent)
    : QDialog(parent)
    , m_pTypeComboBox(new QComboBox(this))
    , m_pBitrateComboBox(new QComboBox(this))
    , m_pNumberedCheckBox(new QCheckBox(QStringLiteral("编号（001 apple.mp3，播放器按课本顺序播放）"), this))
    , m_pPlaylistCheckBox(new QCheckBox(QStringLiteral("播放列表（文件夹名.m3u8）"), this))
    , m_pCardSafeCheckBox(new QCheckBox(QStringLiteral("适合存储卡的文件名（FAT/exFAT）"), this))
    , m_pRepeatableCheckBox(new QCheckBox(QStringLiteral("可重复（相同单词生成相同文件，较慢）"), this))
    , m_pSoundBox(new SoundOptionsBox(sound, chineseVoices, this))
    , m_pLessonBox(new LessonOptionsBox(lesson, this))
    , m_cardSafeTouched(options.cardSafe.has_value())
{
    setWindowTitle(QStringLiteral("选项"));
    setObjectName(QStringLiteral("outputOptionsDialog"));
    m_pTypeComboBox->setObjectName(QStringLiteral("fileTypeComboBox"));
    m_pBitrateComboBox->setObjectName(QStringLiteral("bitrateComboBox"));
    m_pNumberedCheckBox->setObjectName(QStringLiteral("numberedCheckBox"));
    m_pPlaylistCheckBox->setObjectName(QStringLiteral("playlistCheckBox"));
    m_pCardSafeCheckBox->setObjectName(QStringLiteral("cardSafeCheckBox"));
    m_pRepeatableCheckBox->setObjectName(QStringLiteral("repeatableCheckBox"));

    m_pTypeComboBox->addItem(QStringLiteral("WAV"), int(OutputFileType::Wav));
    m_pTypeComboBox->addItem(QStringLiteral("MP3"), int(OutputFileType::Mp3));
    m_pTypeComboBox->addItem(QStringLiteral("Opus"), int(OutputFileType::Opus));
    m_pTypeComboBox->setCurrentIndex(m_pTypeComboBox->findData(int(options.encoding.type)));
    offerBitRates(speech::Mp3BitRatesOfFormat(formatCode), options.encoding.mp3Kbps);
    m_pNumberedCheckBox->setChecked(options.numbered);
    m_pPlaylistCheckBox->setChecked(options.playlist);
    m_pCardSafeCheckBox->setChecked(options.IsCardSafe());
    m_pRepeatableCheckBox->setChecked(options.repeatable);

    // Two columns: the file choices with the lesson's under them, the sound beside them, so the
    // dialog fits a 768-pixel-high screen.
    auto* files = new QFormLayout;
    files->addRow(QStringLiteral("文件类型"), m_pTypeComboBox);
    files->addRow(QStringLiteral("比特率 (MP3)"), m_pBitrateComboBox);
    files->addRow(m_pNumberedCheckBox);
    files->addRow(m_pPlaylistCheckBox);
    files->addRow(m_pCardSafeCheckBox);
    files->addRow(m_pRepeatableCheckBox);
    files->addRow(m_pLessonBox);
    auto* columns = new QHBoxLayout;
    columns->addLayout(files);
    columns->addWidget(m_pSoundBox, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
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
    options.encoding.mp3Kbps = m_pBitrateComboBox->currentData().toInt();
    options.numbered = m_pNumberedCheckBox->isChecked();
    options.playlist = m_pPlaylistCheckBox->isChecked();
    options.repeatable = m_pRepeatableCheckBox->isChecked();
    if (m_cardSafeTouched)
        options.cardSafe = m_pCardSafeCheckBox->isChecked();
    return options;
}

SoundOptions OutputOptionsDlg::soundOptions() const
{
    return m_pSoundBox->options();
}

LessonOptions OutputOptionsDlg::lessonOptions() const
{
    return m_pLessonBox->options();
}

void OutputOptionsDlg::typeChosen()
{
    const auto type = OutputFileType(m_pTypeComboBox->currentData().toInt());
    m_pBitrateComboBox->setEnabled(type == OutputFileType::Mp3);
    if (!m_cardSafeTouched)
        m_pCardSafeCheckBox->setChecked(type != OutputFileType::Wav);
}

void OutputOptionsDlg::offerBitRates(const std::vector<int>& rates, int remembered)
{
    for (const int kbps : rates)
        m_pBitrateComboBox->addItem(QStringLiteral("%1 kbps").arg(kbps), kbps);
    m_pBitrateComboBox->setCurrentIndex(m_pBitrateComboBox->findData(speech::NearestMp3Kbps(rates, remembered)));
    m_pBitrateComboBox->setToolTip(QStringLiteral("可选的比特率由主窗口所选格式的采样率和声道决定"));
}

#include "ui/soundoptionsbox.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>

#include "ui/prompt.h"

namespace {

QSpinBox* NewSpinBox(QWidget* parent, const QString& name, int low, int high, int step, const QString& suffix, int value)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(low, high);
    box->setSingleStep(step);
    box->setSuffix(suffix);
    box->setValue(value);
    return box;
}

// The lines shown below the list's path; the rest are counted.
constexpr int kShownProblems = 4;

} // namespace

SoundOptionsBox::SoundOptionsBox(const SoundOptions& options, const std::vector<ChineseVoiceEntry>& chineseVoices,
                                 QWidget* parent)
    : QGroupBox(QStringLiteral("声音"), parent)
    , m_pRepeatSpinBox(NewSpinBox(this, u"repeatSpinBox"_qs, 1, kMaxRepeat, 1, QStringLiteral(" 遍"), options.repeat))
    , m_pPauseSpinBox(NewSpinBox(this, u"pauseSpinBox"_qs, -1, kMaxPauseMs, 100, QStringLiteral(" 毫秒"), options.pauseMs.value_or(-1)))
    , m_pLeadSpinBox(NewSpinBox(this, u"leadSpinBox"_qs, 0, speech::FileEncoding::kMaxSilenceMs, 50,
                                QStringLiteral(" 毫秒"), options.leadMs))
    , m_pTrailSpinBox(NewSpinBox(this, u"trailSpinBox"_qs, 0, speech::FileEncoding::kMaxSilenceMs, 50,
                                 QStringLiteral(" 毫秒"), options.trailMs))
    , m_pLoudnessCheckBox(new QCheckBox(QStringLiteral("统一响度"), this))
    , m_pLoudnessSpinBox(new QDoubleSpinBox(this))
    , m_pEnglishRateSpinBox(NewSpinBox(this, u"englishRateSpinBox"_qs, speech::kMinRatePercent, speech::kMaxRatePercent,
                                       10, QStringLiteral(" %"), options.englishRate))
    , m_pChineseRateSpinBox(NewSpinBox(this, u"chineseRateSpinBox"_qs, speech::kMinRatePercent, speech::kMaxRatePercent,
                                       10, QStringLiteral(" %"), options.chineseRate))
    , m_pChineseVoiceComboBox(new QComboBox(this))
    , m_pListPathLabel(new QLabel(this))
    , m_pListStateLabel(new QLabel(this))
    , m_strList(options.pronunciations)
{
    setObjectName(QStringLiteral("soundOptionsBox"));
    // Below its range the pause reads 默认: each part keeps its usual pause.
    m_pPauseSpinBox->setSpecialValueText(QStringLiteral("默认"));
    m_pLoudnessCheckBox->setObjectName(QStringLiteral("loudnessCheckBox"));
    m_pLoudnessCheckBox->setChecked(options.loudnessLufs.has_value());
    m_pLoudnessSpinBox->setObjectName(QStringLiteral("loudnessSpinBox"));
    m_pLoudnessSpinBox->setRange(speech::FileEncoding::kMinLoudnessLufs, speech::FileEncoding::kMaxLoudnessLufs);
    m_pLoudnessSpinBox->setDecimals(0);
    m_pLoudnessSpinBox->setSuffix(QStringLiteral(" LUFS"));
    m_pLoudnessSpinBox->setValue(options.loudnessLufs.value_or(SoundOptions::kDefaultLoudnessLufs));
    m_pLoudnessSpinBox->setEnabled(m_pLoudnessCheckBox->isChecked());
    m_pChineseVoiceComboBox->setObjectName(QStringLiteral("chineseVoiceComboBox"));
    m_pChineseVoiceComboBox->addItem(QStringLiteral("普通话（eSpeak NG，默认）"), QString());
    for (const ChineseVoiceEntry& voice : chineseVoices)
        m_pChineseVoiceComboBox->addItem(voice.description, voice.id);
    // A voice since removed reads as the default, which a run then uses.
    m_pChineseVoiceComboBox->setCurrentIndex(std::max(0, m_pChineseVoiceComboBox->findData(options.chineseVoice)));
    m_pChineseVoiceComboBox->setToolTip(QStringLiteral("英语语音和双语语音的中文部分（标签、汉意、编号）由此语音朗读"));
    m_pListPathLabel->setObjectName(QStringLiteral("pronunciationPathLabel"));
    m_pListPathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pListStateLabel->setObjectName(QStringLiteral("pronunciationStateLabel"));
    m_pListStateLabel->setWordWrap(true);

    auto* loudness = new QHBoxLayout;
    loudness->addWidget(m_pLoudnessCheckBox);
    loudness->addWidget(m_pLoudnessSpinBox, 1);
    auto* openButton = new QPushButton(QStringLiteral("打开"), this);
    openButton->setObjectName(QStringLiteral("openPronunciationsButton"));
    auto* chooseButton = new QPushButton(QStringLiteral("更改…"), this);
    chooseButton->setObjectName(QStringLiteral("choosePronunciationsButton"));
    auto* rereadButton = new QPushButton(QStringLiteral("重新读取"), this);
    rereadButton->setObjectName(QStringLiteral("rereadPronunciationsButton"));
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(openButton);
    listButtons->addWidget(chooseButton);
    listButtons->addWidget(rereadButton);
    listButtons->addStretch(1);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("单词重复"), m_pRepeatSpinBox);
    form->addRow(QStringLiteral("停顿"), m_pPauseSpinBox);
    form->addRow(QStringLiteral("英文语速"), m_pEnglishRateSpinBox);
    form->addRow(QStringLiteral("中文语速"), m_pChineseRateSpinBox);
    form->addRow(QStringLiteral("中文语音"), m_pChineseVoiceComboBox);
    form->addRow(QStringLiteral("文件开头静音"), m_pLeadSpinBox);
    form->addRow(QStringLiteral("文件结尾静音"), m_pTrailSpinBox);
    form->addRow(QStringLiteral("文件响度"), loudness);
    form->addRow(QStringLiteral("发音表"), m_pListPathLabel);
    form->addRow(QString(), listButtons);
    form->addRow(QString(), m_pListStateLabel);

    connect(m_pLoudnessCheckBox, &QCheckBox::toggled, m_pLoudnessSpinBox, &QWidget::setEnabled);
    connect(openButton, &QPushButton::clicked, this, &SoundOptionsBox::openList);
    connect(chooseButton, &QPushButton::clicked, this, &SoundOptionsBox::chooseList);
    connect(rereadButton, &QPushButton::clicked, this, &SoundOptionsBox::showList);
    showList();
}

SoundOptions SoundOptionsBox::options() const
{
    SoundOptions options;
    options.repeat = m_pRepeatSpinBox->value();
    // The spin box's lowest entry reads "usual".
    options.pauseMs = m_pPauseSpinBox->value() >= 0 ? std::optional(m_pPauseSpinBox->value()) : std::nullopt;
    options.leadMs = m_pLeadSpinBox->value();
    options.trailMs = m_pTrailSpinBox->value();
    if (m_pLoudnessCheckBox->isChecked())
        options.loudnessLufs = m_pLoudnessSpinBox->value();
    else
        options.loudnessLufs.reset();
    options.englishRate = m_pEnglishRateSpinBox->value();
    options.chineseRate = m_pChineseRateSpinBox->value();
    options.pronunciations = m_strList;
    options.chineseVoice = m_pChineseVoiceComboBox->currentData().toString();
    return options;
}

void SoundOptionsBox::openList()
{
    // The default list is made on first use, with an example to follow.
    const QString path = options().PronunciationsPath();
    if (const Result<void> made = CreatePronunciationList(path); !made) {
        Prompt::message(this, QStringLiteral("发音表"), made.error().ErrorMessage(), QMessageBox::Warning);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    showList();
}

void SoundOptionsBox::chooseList()
{
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("发音表"), options().PronunciationsPath(),
                                                        QStringLiteral("文本文件 (*.txt);;所有文件 (*)"));
    if (chosen.isEmpty())
        return;
    m_strList = chosen == DefaultPronunciationsPath() ? QString() : chosen;
    showList();
}

void SoundOptionsBox::showList()
{
    const QString path = options().PronunciationsPath();
    m_pListPathLabel->setText(QFileInfo(path).fileName());
    m_pListPathLabel->setToolTip(path);
    if (!QFileInfo::exists(path)) {
        m_pListStateLabel->setText(QStringLiteral("尚无发音表；按“打开”新建一个。"));
        return;
    }
    const Result<PronunciationList> list = PronunciationList::Read(path);
    if (!list) {
        m_pListStateLabel->setText(list.error().ErrorMessage());
        return;
    }
    QStringList lines{QStringLiteral("%1 条读法").arg(list->Size())};
    const std::vector<PronunciationProblem>& problems = list->Problems();
    for (std::size_t i = 0; i < problems.size() && i < kShownProblems; ++i)
        lines.append(PronunciationProblemText(problems[i], true) + QStringLiteral("（已跳过）"));
    if (problems.size() > kShownProblems)
        lines.append(QStringLiteral("另有 %1 行有误").arg(problems.size() - kShownProblems));
    m_pListStateLabel->setText(lines.join(u'\n'));
}

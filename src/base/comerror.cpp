#include "base/comerror.h"

#include <array>
#include <cerrno>
#include <csignal>

namespace {

struct Message
{
    HRESULT code;
    const char16_t* english;
    const char16_t* chinese;
};

constexpr std::array kMessages{
    Message{ResultCode::FileNotFound, u"The system cannot find the file %1.", u"系统找不到指定的文件 %1。"},
    Message{ResultCode::AccessDenied, u"Access is denied to the file %1.", u"拒绝访问文件 %1。"},
    Message{E_POINTER, u"No vocabulary database is open.", u"没有打开词库数据库。"},
    Message{E_FAIL, u"Unspecified error", u"未指定的错误"},
    Message{ResultCode::TypeMismatch, u"Type mismatch.", u"类型不匹配。"},
    Message{ResultCode::StatementFailed, u"The statement could not be run: %1", u"无法执行查询语句：%1"},
    Message{ResultCode::NoSuchTable, u"The vocabulary database %1 has no table 'word'.",
            u"词库数据库 %1 中没有 word 表。"},
    Message{ResultCode::NoSuchColumn, u"The table 'word' of %1 lacks the columns en, ch and subclass.",
            u"%1 中的 word 表缺少 en、ch、subclass 列。"},
    Message{ResultCode::WrongPassword, u"Not a valid password for %1.", u"%1 的密码无效。"},
    Message{ResultCode::NotADatabase, u"The file %1 is not a vocabulary database.", u"文件 %1 不是词库数据库。"},
    Message{ResultCode::DamagedDatabase, u"The vocabulary database %1 is damaged.", u"词库数据库 %1 已损坏。"},
    Message{ResultCode::UnsupportedFormat, u"The database format of %1 is not supported.",
            u"不支持 %1 的数据库格式。"},
    Message{STG_E_PATHNOTFOUND, u"The folder does not exist", u"文件夹不存在"},
    Message{STG_E_ACCESSDENIED, u"The folder cannot be written to", u"文件夹不可写入"},
    Message{STG_E_MEDIUMFULL, u"The disk is full", u"磁盘已满"},
    Message{STG_E_WRITEFAULT, u"The file could not be written", u"文件写入失败"},

    Message{E_NOTIMPL, u"This is not available", u"此功能不可用"},
    Message{E_ABORT, u"The operation was stopped", u"操作已中止"},
    Message{E_UNEXPECTED, u"Unexpected failure", u"意外错误"},
    Message{E_OUTOFMEMORY, u"Out of memory", u"内存不足"},
    Message{E_INVALIDARG, u"A value is out of range", u"参数超出范围"},

    Message{ResultCode::SpeechUninitialized, u"The speech engine is not ready", u"语音引擎未就绪"},
    Message{ResultCode::SpeechUnsupportedFormat, u"The sound format is not supported", u"不支持此声音格式"},
    Message{ResultCode::SpeechAudioStopped, u"The sound output stopped", u"声音输出已中断"},
    Message{ResultCode::SpeechEngineFailed, u"The speech engine failed", u"语音引擎出错"},
    Message{ResultCode::SpeechNoMoreItems, u"The list has no more entries", u"列表中没有更多项"},
    Message{ResultCode::SpeechNotFound, u"The voice or setting was not found", u"找不到指定的语音或设置"},
    Message{ResultCode::SpeechNoDevice, u"No sound device was found", u"找不到声音设备"},
    Message{ResultCode::SpeechProgramFailed, u"The voice's program failed: %1", u"语音程序出错：%1"},

    Message{ResultCode::NameNotAllowed, u"The file name is not allowed", u"文件名不允许"},
    Message{ResultCode::NameTooLong, u"The file name is too long", u"文件名过长"},
    Message{ResultCode::WorkerCrashed, u"The speech process ended unexpectedly", u"语音合成进程意外退出"},
    Message{ResultCode::WorkerTimedOut, u"Speaking took too long", u"语音合成超时"},
    Message{ResultCode::WorkerUnavailable, u"The speech process could not be started", u"语音合成进程无法启动"},
    Message{ResultCode::PlaylistNotWritten, u"The playlist could not be written: %1", u"播放列表无法写入：%1"},
    Message{ResultCode::TagsNotWritten, u"The tags of %1 could not be written", u"无法写入 %1 的标签"},
    Message{ResultCode::SheetNotWritten, u"The dictation sheet could not be written: %1", u"听写单无法写入：%1"},

    Message{ResultCode::EngineNotStarted, u"Error intalization COM", u"语音平台无法启动"},
    Message{ResultCode::VoiceNotCreated, u"Error creating voice", u"无法创建语音"},
    Message{ResultCode::EventsNotSet, u"Error creating inerest..seriously", u"无法设置语音事件"},
    Message{ResultCode::NotifyTargetNotSet, u"Error seting notifiaction window", u"无法设置语音通知窗口"},

    Message{ResultCode::SoundClientFailed, u"cannot start the sound client's thread", u"无法启动声音客户端线程"},
    Message{ResultCode::SoundConnectionFailed, u"cannot create a sound server connection", u"无法连接声音服务器"},
    Message{ResultCode::SoundServerRefused, u"the sound server refused: %1", u"声音服务器拒绝：%1"},

    Message{ResultCode::PronunciationNoTab, u"no tab between the headword and what to say",
            u"单词和读法之间没有制表符 (Tab)"},
    Message{ResultCode::PronunciationNoHeadword, u"no headword before the tab", u"没有单词"},
    Message{ResultCode::PronunciationNothingToSay, u"nothing to say after the tab", u"没有读法"},
    Message{ResultCode::PronunciationUnclosedPhonemes, u"phonemes begin with [[ but do not end with ]]",
            u"音标以 [[ 开始但没有以 ]] 结束"},
    Message{ResultCode::PronunciationRepeated, u"the headword already has a rule on line %1", u"此单词在第 %1 行已有读法"},
    Message{ResultCode::PronunciationNotUtf8, u"not UTF-8 text", u"不是 UTF-8 文本"},
    Message{ResultCode::PronunciationTooLong, u"phonemes longer than %1 characters", u"音标超过 %1 个字符"},
    Message{ResultCode::PronunciationNotPinyin, u"a Chinese word is read as pinyin with tone numbers, one syllable a character (yin2 hang2)",
            u"中文词语的读法应为带声调数字的拼音，每字一个音节（如 yin2 hang2）"},

    Message{ResultCode::ImportTargetExists, u"%1 exists; use --force to replace it", u"%1 已存在；要替换它请加 --force"},
    Message{ResultCode::ImportSourceUnreadable, u"cannot read %1", u"无法读取 %1"},
    Message{ResultCode::ImportFolderUnwritable, u"cannot write in %1", u"无法在 %1 中写入"},
    Message{ResultCode::ImportTargetNotReplaced, u"cannot replace %1", u"无法替换 %1"},
    Message{ResultCode::JobNoFolder, u"No output folder was given", u"请选择存储路径"},
    Message{ResultCode::JobFolderMissing, u"The folder %1 does not exist", u"文件夹不存在：%1"},
    Message{ResultCode::JobNotAFolder, u"%1 is not a folder", u"不是文件夹：%1"},
    Message{ResultCode::JobFolderNotMade, u"cannot create the folder %1", u"无法创建文件夹 %1"},
    Message{ResultCode::JobBadFormat, u"No format has the code %1", u"不支持的音频格式 %1"},
    Message{ResultCode::JobBadProcesses, u"The number of speech processes is not %1", u"语音合成进程数应为 %1"},
    Message{ResultCode::JobBadBitRate, u"This sound format takes only these MP3 bit rates, lowest first: %1 kbps",
            u"此声音格式只能用以下 MP3 比特率（最低的在前）：%1 kbps"},
    Message{ResultCode::JobBadRepeat, u"The number of repeats is not %1", u"单词重复次数应为 %1"},
    Message{ResultCode::JobBadPause, u"The pause is not %1 ms", u"停顿应为 %1 毫秒"},
    Message{ResultCode::JobBadSilence, u"The silence at the ends is not %1 ms", u"文件开头和结尾的静音应为 %1 毫秒"},
    Message{ResultCode::JobBadRate, u"A speaking rate is not %1 percent", u"语速应为 %1%"},
    Message{ResultCode::JobBadLoudness, u"The loudness is not %1 LUFS", u"响度应为 %1 LUFS"},
    Message{ResultCode::JobNotADocument, u"Not a batch job: %1 is missing or of the wrong type",
            u"任务描述无效：%1 缺失或类型不对"},
    Message{ResultCode::JobNotReceived, u"The speech process got no job: %1", u"语音合成进程没有收到任务：%1"},
    Message{ResultCode::CommandLineUsage, u"%1", u"命令行有误：%1"},
    Message{ResultCode::JobBadChineseVoice, u"%1 is not a Chinese voice installed here",
            u"%1 不是已安装的中文语音"},
    Message{ResultCode::JobBadLessonPause, u"The writing pause of a dictation is not %1 ms", u"听写停顿应为 %1 毫秒"},
    Message{ResultCode::LessonWordMissing, u"the dictation track was not written, a word is missing: %1",
            u"听写音轨未生成，缺少单词：%1"},
    Message{ResultCode::ImportMalformed, u"Cannot import %1", u"无法导入 %1"},
    Message{ResultCode::ImportNotWritten, u"the vocabulary could not be written: %1", u"词库无法写入：%1"},
    Message{ResultCode::ImportTargetIsFolder,
            u"%1 is a folder; give the name of the vocabulary file to write, such as code.dll",
            u"%1 是文件夹；请给出要写入的词库文件名，如 code.dll"},
    Message{ResultCode::ImportInterrupted, u"interrupted; %1 was not written", u"导入已中断；未写入 %1"},

    Message{ResultCode::OwnListExists, u"There is already a list named %1", u"已有名为“%1”的词表"},
    Message{ResultCode::OwnListMissing, u"There is no list named %1", u"没有名为“%1”的词表"},
    Message{ResultCode::OwnListEmpty, u"The list %1 has no words; a list needs at least one",
            u"词表“%1”中没有单词；词表至少要有一个单词"},
    Message{ResultCode::OwnListNameEmpty, u"A list needs a name", u"请给词表起个名字"},
    Message{ResultCode::OwnListNameBadCharacter,
            u"A list name may not hold '/' or control characters, nor begin or end with a space: %1",
            u"词表名不能含有“/”或控制字符，也不能以空格开头或结尾：%1"},
    Message{ResultCode::OwnListNameTooLong, u"A list name is at most 60 characters: %1", u"词表名最多 60 个字：%1"},
    Message{ResultCode::OwnListNameIsCourse, u"%1 is a course book of the vocabulary; give the list another name",
            u"“%1”是词库中的课本名；请给词表换个名字"},
    Message{ResultCode::OwnListsReadOnly, u"The file of your own lists, %1, is read-only; lists cannot be saved",
            u"我的词表文件 %1 是只读的，无法保存词表"},
    Message{ResultCode::OwnListsBusy,
            u"The file of your own lists, %1, is in use by another Lexovox; try again once it is done",
            u"我的词表文件 %1 正被另一个 Lexovox 使用；请等它完成后再试"},
    Message{ResultCode::OwnListsDamaged,
            u"The file of your own lists was damaged and has been kept aside as %1; your lists are missing until it is repaired",
            u"我的词表文件已损坏，已改名保存为 %1；修复之前这些词表无法显示"},
    Message{ResultCode::OwnListsNotSaved, u"The list could not be saved: %1", u"词表无法保存：%1"},
    Message{ResultCode::OwnListsNotOpened, u"The file of your own lists could not be opened: %1", u"无法打开我的词表文件：%1"},
    Message{ResultCode::ListNotText, u"%1 is not a text file, table or spreadsheet", u"%1 不是文本文件、表格或电子表格"},
};

// Listed once, for AllResultCodes.
constexpr auto kCodes = [] {
    std::array<HRESULT, kMessages.size()> codes{};
    for (std::size_t i = 0; i < kMessages.size(); ++i)
        codes[i] = kMessages[i].code;
    return codes;
}();

const Message* find(HRESULT code)
{
    for (const Message& m : kMessages) {
        if (m.code == code)
            return &m;
    }
    return nullptr;
}

} // namespace

QString ComErrorText(HRESULT code, const QString& subject)
{
    return ComErrorText(code, subject, IsChineseUserInterface());
}

bool HasComErrorText(HRESULT code)
{
    return find(code) != nullptr;
}

QString ComErrorText(HRESULT code, const QString& subject, bool chinese)
{
    if (const Message* m = find(code)) {
        const QString text = QString::fromUtf16(chinese ? m->chinese : m->english);
        return text.contains(u"%1") ? text.arg(subject) : text;
    }
    const QString hex = QString::number(static_cast<quint32>(code), 16).toUpper();
    if (chinese)
        return QStringLiteral("未知错误 0x%1").arg(hex);
    // Compared as signed values, as the result code is.
    if (code >= static_cast<HRESULT>(0x80040201) && code <= static_cast<HRESULT>(0x8004FFFF))
        return QStringLiteral("IDispatch error #%1").arg(code - static_cast<HRESULT>(0x80040200));
    return QStringLiteral("Unknown error 0x%1").arg(hex);
}

std::span<const HRESULT> AllResultCodes()
{
    return kCodes;
}

ComError::ComError(HRESULT code, QString subject)
    : m_code(code)
    , m_subject(std::move(subject))
{
}

const QString& ComError::ErrorMessage() const
{
    if (m_message.isEmpty())
        m_message = ComErrorText(m_code, m_subject);
    return m_message;
}

const char* ComError::what() const noexcept
{
    if (m_what.isEmpty())
        m_what = ErrorMessage().toUtf8();
    return m_what.constData();
}

HRESULT FileWriteError(int errnum, HRESULT unknown)
{
    switch (errnum) {
    case 0:
        return unknown;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return STG_E_MEDIUMFULL;
    case EACCES:
    case EPERM:
    case EROFS:
        return STG_E_ACCESSDENIED;
    default:
        return STG_E_WRITEFAULT;
    }
}

void FailWritesPastSizeLimit()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

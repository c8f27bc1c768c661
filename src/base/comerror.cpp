#include "base/comerror.h"

#include <array>

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
};

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
    // Compared as signed values, as the result code is.
    if (code >= static_cast<HRESULT>(0x80040201) && code <= static_cast<HRESULT>(0x8004FFFF))
        return QStringLiteral("IDispatch error #%1").arg(code - static_cast<HRESULT>(0x80040200));
    return QStringLiteral("Unknown error 0x%1").arg(QString::number(static_cast<quint32>(code), 16).toUpper());
}

ComError::ComError(HRESULT code, QString subject)
    : m_code(code)
    , m_subject(std::move(subject))
{
}

ComError ComError::Described(HRESULT code, QString message)
{
    ComError error(code);
    error.m_message = std::move(message);
    return error;
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

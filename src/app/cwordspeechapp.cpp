#include "cwordspeechapp.h"

#include "ui/cwordspeechdlg.h"
#include "ui/prompt.h"
#include "base/comerror.h"
#include "vocab/connectionstring.h"
#include "vocab/wordstore.h"

CWordSpeechApp::CWordSpeechApp() = default;

CWordSpeechApp::~CWordSpeechApp() = default;

bool CWordSpeechApp::InitInstance()
{
    m_pConnection = std::make_unique<WordStore>();
    if (const Result<void> opened = m_pConnection->Open(QString::fromUtf16(kVocabularyConnection)); !opened) {
        Prompt::warning(nullptr, QStringLiteral("连接动态文件失败!\r\n错误信息:%1").arg(opened.error().ErrorMessage()));
        return false;
    }

    CWordSpeechDlg dlg(m_pConnection.get());
    dlg.exec();
    return false;
}

int CWordSpeechApp::ExitInstance()
{
    if (m_pConnection && m_pConnection->IsOpen())
        m_pConnection->Close();
    m_pConnection.reset();
    return 0;
}

#include "cwordspeechapp.h"

#include <QCommandLineParser>

#include "base/comerror.h"
#include "base/stopsignals.h"
#include "ui/cwordspeechdlg.h"
#include "ui/prompt.h"
#include "ui/rememberedvocabulary.h"
#include "vocab/vocabularylocation.h"
#include "vocab/wordstore.h"

namespace {

/// The file after `--vocabulary` (or in `--vocabulary=FILE`); empty when not given. Anything
/// else is left alone: desktop launchers and session managers add arguments of their own, and
/// none of them may keep the window from opening.
QString vocabularyArgument(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return {};
    QCommandLineParser parser;
    const QCommandLineOption vocabulary(QStringLiteral("vocabulary"), QStringLiteral("Read this vocabulary file."),
                                        QStringLiteral("FILE"));
    parser.addOption(vocabulary);
    // False for an unknown option, whose name is only noted; the known ones are parsed all the same.
    parser.parse(arguments);
    return parser.value(vocabulary);
}

} // namespace

CWordSpeechApp::CWordSpeechApp(QStringList arguments)
    : m_arguments(std::move(arguments))
{
}

CWordSpeechApp::~CWordSpeechApp() = default;

bool CWordSpeechApp::InitInstance()
{
    const VocabularyLocation location =
        FindVocabulary(ProgramVocabularySearch(vocabularyArgument(m_arguments), RememberedVocabulary()));
    m_pConnection = std::make_unique<WordStore>();
    const Result<void> opened = location.found()
                                    ? m_pConnection->Open(VocabularyConnectionString(location.path))
                                    : Result<void>(Fail(ComError(ResultCode::FileNotFound, location.tried.value(0))));
    if (!opened) {
        QString text = QStringLiteral("连接动态文件失败!\r\n错误信息:%1").arg(opened.error().ErrorMessage());
        if (!location.found() && location.tried.size() > 1)
            text += QStringLiteral("\r\n查找过的位置:\r\n") + location.tried.join(QStringLiteral("\r\n"));
        Prompt::warning(nullptr, text);
        return false;
    }

    CWordSpeechDlg dlg(m_pConnection.get());
    // Ctrl+C in the terminal that started the window, or kill, closes it as the user would: a
    // run of generation stops after the words in progress.
    StopSignals::Install();
    StopSignals::OnReceived(&dlg, [&dlg] { dlg.close(); });
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

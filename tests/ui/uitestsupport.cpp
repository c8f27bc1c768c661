#include "uitestsupport.h"

#include <sqlite3.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTest>

#include "ui/cwordspeechdlg.h"

void WriteSqlVocabulary(const QString& path, std::initializer_list<const char*> statements)
{
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    for (const char* sql : statements)
        QCOMPARE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

void InstallPicoStandIn(const QString& configHome)
{
    QFile shipped(QStringLiteral(LEXOVOX_SHIPPED_ENGINES "/pico2wave.engine"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    const QByteArray text =
        shipped.readAll().replace("program = pico2wave\n", "program = " LEXOVOX_TEST_ENGINES "/fake-pico2wave\n");
    QVERIFY(QDir().mkpath(configHome + QStringLiteral("/lexovox/engines")));
    QFile own(configHome + QStringLiteral("/lexovox/engines/pico2wave.engine"));
    QVERIFY(own.open(QIODevice::WriteOnly) && own.write(text) == text.size());
}

bool ChooseVoice(CWordSpeechDlg& dlg, const QString& description)
{
    auto* voices = dlg.findChild<QComboBox*>(QStringLiteral("voiceComboBox"));
    const int entry = voices ? voices->findText(description, Qt::MatchStartsWith) : -1;
    if (entry < 0)
        return false;
    voices->setCurrentIndex(entry);
    emit voices->activated(entry);
    return true;
}

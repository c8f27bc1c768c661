#include "standinsession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QString StandInFolder()
{
    return QStringLiteral(LEXOVOX_TEST_ENGINES);
}

void WriteTestFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
    file.write(bytes);
}

void StandInSession::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    const std::pair<const char*, const char*> variables[] = {
        {"XDG_DATA_HOME", "data"},           {"XDG_CONFIG_HOME", "config"},   {"FAKE_ENGINE_LOG", "texts.log"},
        {"FAKE_ENGINE_PIDS", "pids.log"},    {"FAKE_ENGINE_PROBES", "probes.log"}, {"FAKE_MBROLA_DIR", "mbrola"},
        {"TMPDIR", "tmp"},
    };
    QDir().mkpath(path(QStringLiteral("tmp")));
    for (const auto& [name, relative] : variables) {
        m_saved.emplace_back(name, qgetenv(name));
        qputenv(name, path(QString::fromLatin1(relative)).toUtf8());
    }
    // The Python package's modules (its server) as "python3 -m" finds them.
    m_saved.emplace_back("PYTHONPATH", qgetenv("PYTHONPATH"));
    qputenv("PYTHONPATH", (StandInFolder() + QStringLiteral("/python")).toUtf8());
}

void StandInSession::TearDown()
{
    for (const auto& [name, value] : m_saved) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
}

std::vector<LoggedCall> StandInSession::loggedCalls() const
{
    std::vector<LoggedCall> found;
    QFile log(path(QStringLiteral("texts.log")));
    if (!log.open(QIODevice::ReadOnly))
        return found;
    for (const QByteArray& line : log.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject call = QJsonDocument::fromJson(line).object();
        LoggedCall logged{{}, call.value(QStringLiteral("text")).toString()};
        for (const QJsonValue& argument : call.value(QStringLiteral("args")).toArray())
            logged.args << argument.toString();
        found.push_back(std::move(logged));
    }
    return found;
}

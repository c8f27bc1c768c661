#pragma once

#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

/// The stand-ins of speech programs (tests/speech/engines/), which behave as the real ones do.
QString StandInFolder();

/// Writes `bytes` to `path`, making its folders.
void WriteTestFile(const QString& path, const QByteArray& bytes);

/// One run of a stand-in as it logged it: its arguments and the text it was given.
struct LoggedCall
{
    QStringList args;
    QString text;
};

/// A user's session of its own for the stand-ins: its data and configuration folders, and the
/// files where the stand-ins log their texts (texts.log), process ids (pids.log) and usage
/// questions (probes.log), and a temporary folder (tmp), all in a fresh folder; Python finds
/// the stand-in package modules (engines/python). The environment is given back afterwards.
class StandInSession : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    /// The stand-ins' runs so far, in order.
    std::vector<LoggedCall> loggedCalls() const;

    QTemporaryDir m_dir;

private:
    std::vector<std::pair<const char*, QByteArray>> m_saved;
};

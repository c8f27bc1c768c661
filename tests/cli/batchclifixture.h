#pragma once

// lexovox-batch run as a user runs it, in a folder of its own: what it says, how it ends and what
// it leaves in the folder.

#include <functional>
#include <vector>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sndfile.h>

struct Outcome
{
    int status = -1;
    QString out;
    QString err;
};

class BatchCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkdir(QStringLiteral("out"));
    }

    QString out() const { return m_dir.filePath(QStringLiteral("out")); }

    QString csv(const QString& name, const QByteArray& text) const
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    /// A word list of `count` rows, "word0" onwards, enough for a run still going when a test acts on it.
    QString manyWords(int count) const
    {
        QByteArray list = "en,ch\n";
        for (int i = 0; i < count; ++i)
            list += "word" + QByteArray::number(i) + ",词\n";
        return csv(u"many.csv"_qs, list);
    }

    Outcome run(const QStringList& arguments) const { return runProgram(QStringLiteral(LEXOVOX_BATCH), arguments); }

    /// Runs `program`; `childSetup` runs in the child before it starts (limits, process groups).
    Outcome runProgram(const QString& program, const QStringList& arguments,
                       std::function<void()> childSetup = {}) const
    {
        QProcess tool;
        tool.setWorkingDirectory(m_dir.path());
        // The user's own pronunciation list is not this test's.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_DATA_HOME"_qs, m_dir.filePath(u"data"_qs));
        // Run as from cron, which has no session: nothing may depend on one or complain of it.
        environment.remove(u"XDG_RUNTIME_DIR"_qs);
        tool.setProcessEnvironment(environment);
        if (childSetup)
            tool.setChildProcessModifier(childSetup);
        tool.start(program, arguments);
        EXPECT_TRUE(tool.waitForFinished(300000));
        return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
                QString::fromUtf8(tool.readAllStandardOutput()), QString::fromUtf8(tool.readAllStandardError())};
    }

    QStringList written() const { return QDir(out()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    /// The length of a written sound file in seconds; 0 when it cannot be read.
    double seconds(const QString& name) const
    {
        SF_INFO info{};
        SNDFILE* sound = sf_open(QFile::encodeName(QDir(out()).filePath(name)).constData(), SFM_READ, &info);
        if (!sound)
            return 0;
        sf_close(sound);
        return double(info.frames) / info.samplerate;
    }

    /// Whether a sound file in `folder` decodes from end to end to as many frames as its
    /// header or Info tag promises, and holds some.
    static bool whole(const QString& folder, const QString& name)
    {
        SF_INFO info{};
        SNDFILE* sound = sf_open(QFile::encodeName(QDir(folder).filePath(name)).constData(), SFM_READ, &info);
        if (!sound)
            return false;
        std::vector<short> block(4096 * std::size_t(info.channels));
        sf_count_t frames = 0;
        for (sf_count_t got; (got = sf_readf_short(sound, block.data(), 4096)) > 0;)
            frames += got;
        const bool clean = sf_error(sound) == SF_ERR_NO_ERROR;
        sf_close(sound);
        return clean && frames > 0 && frames == info.frames;
    }

    QByteArray bytes(const QString& name) const
    {
        QFile file(QDir(out()).filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

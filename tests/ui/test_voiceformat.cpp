#include <memory>

#include <sndfile.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include "speech/platform/objecttoken.h"
#include "speech/platform/voice.h"
#include "speech/speechengine.h"
#include "ui/combotokenlist.h"
#include "ui/cwordspeechdlg.h"
#include "ui/programsettings.h"

// The voice list and the format list of the main window.
class TestVoiceFormat : public QObject
{
    Q_OBJECT

private slots:
    void init() { ProgramSettings()->clear(); } // each test starts from a first run

    void initTestCase()
    {
        // No sound server of the machine: previews are silent, files are still written.
        qputenv("PULSE_SERVER", "unix:/nonexistent/lexovox/native");
        qunsetenv("LC_ALL");
        qunsetenv("LC_MESSAGES");
    }

    void cleanup()
    {
        delete m_dlg;
        m_dlg = nullptr;
    }

    void voiceListShowsTheUsersLanguageSortedWithTheDefaultSelected_data()
    {
        QTest::addColumn<QByteArray>("lang");
        QTest::addColumn<QString>("selected");
        QTest::newRow("zh_CN") << QByteArray("zh_CN.UTF-8") << QStringLiteral("中英双语（美式英语，男声 rms）");
        QTest::newRow("en_US") << QByteArray("en_US.UTF-8")
                               << QStringLiteral("Bilingual Mandarin and American English (Flite rms, male)");
    }

    void voiceListShowsTheUsersLanguageSortedWithTheDefaultSelected()
    {
        QFETCH(QByteArray, lang);
        QFETCH(QString, selected);
        qputenv("LANG", lang);
        open();
        QCOMPARE(m_voices->currentText(), selected);
        QVERIFY(m_voices->count() > 20);
        for (int i = 0; i < m_voices->count(); ++i) {
            QVERIFY(m_voices->itemData(i).value<speech::TokenPtr>());
            if (i > 0)
                QVERIFY2(QString::localeAwareCompare(m_voices->itemText(i - 1), m_voices->itemText(i)) <= 0,
                         qPrintable(m_voices->itemText(i)));
        }
        // Filling the list is no pick.
        speech::TokenPtr current;
        m_dlg->speechEngine().GetVoice()->GetVoice(current);
        QVERIFY(current != m_voices->currentData().value<speech::TokenPtr>());
    }

    void aPickBecomesTheVoice()
    {
        qputenv("LANG", "en_US.UTF-8");
        open();
        const int espeak = m_voices->findText(QStringLiteral("Bilingual Mandarin and American English (eSpeak NG)"));
        QVERIFY(espeak >= 0);
        m_voices->setCurrentIndex(espeak);
        emit m_voices->activated(espeak);
        speech::TokenPtr current;
        m_dlg->speechEngine().GetVoice()->GetVoice(current);
        QCOMPARE(current, m_voices->itemData(espeak).value<speech::TokenPtr>());
    }

    void aSavedVoiceComesBackByItsLongOrShortId_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("voice");
        const QString tokens = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\");
        const QString espeak = tokens + QStringLiteral("LexovoxBilingualUS");
        const QString flite = tokens + QStringLiteral("LexovoxBilingualFliteRms");
        QTest::newRow("long id, as the window saves it") << espeak << espeak;
        QTest::newRow("short id") << QStringLiteral("espeak-en-us") << espeak;
        QTest::newRow("short id in capitals") << QStringLiteral("ESPEAK-EN-US") << espeak;
        // Not ids: the default stays.
        QTest::newRow("gone") << tokens + QStringLiteral("Gone") << flite;
        QTest::newRow("description") << QStringLiteral("eSpeak NG") << flite;
    }

    void aSavedVoiceComesBackByItsLongOrShortId()
    {
        QFETCH(QString, saved);
        QFETCH(QString, voice);
        qputenv("LANG", "en_US.UTF-8");
        ProgramSettings()->setValue(QStringLiteral("window/voice"), saved);
        open();
        QCOMPARE(m_voices->currentData(ComboTokenList::kIdRole).toString(), voice);
        QCOMPARE(m_dlg->speechEngine().GetVoiceId(), voice);
    }

    void formatListHoldsTheTableAndStartsOnTheOutputsFormat()
    {
        open();
        QCOMPARE(m_formats->count(), 36);
        QCOMPARE(m_formats->itemText(0), QStringLiteral("8kHz 8 Bit 单声道"));
        QCOMPARE(m_formats->itemText(35), QStringLiteral("48kHz 16 Bit 双声道"));
        for (int i = 0; i < 36; ++i)
            QCOMPARE(m_formats->itemData(i).toInt(), 4 + i);
        QCOMPARE(m_formats->currentIndex(), 18);
        QCOMPARE(m_formats->currentText(), QStringLiteral("22kHz 16 Bit 单声道"));
    }

    void labelsNameTheirLists()
    {
        open();
        QCOMPARE(m_dlg->findChild<QLabel*>(QStringLiteral("voiceLabel"))->buddy(), m_voices.data());
        QCOMPARE(m_dlg->findChild<QLabel*>(QStringLiteral("formatLabel"))->buddy(), m_formats.data());
    }

    void aPickedFormatIsTheFormatOfLaterFiles_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("subtype");
        QTest::newRow("8kHz 8 Bit 单声道") << 0 << 8000 << 1 << int(SF_FORMAT_PCM_U8);
        QTest::newRow("44kHz 16 Bit 双声道") << 31 << 44100 << 2 << int(SF_FORMAT_PCM_16);
        QTest::newRow("48kHz 16 Bit 单声道") << 34 << 48000 << 1 << int(SF_FORMAT_PCM_16);
        QTest::newRow("48kHz 16 Bit 双声道") << 35 << 48000 << 2 << int(SF_FORMAT_PCM_16);
    }

    void aPickedFormatIsTheFormatOfLaterFiles()
    {
        QFETCH(int, entry);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, subtype);
        open();
        m_formats->setCurrentIndex(entry);
        emit m_formats->activated(entry);
        QTemporaryDir dir;
        for (const QString& word : {QStringLiteral("apple"), QStringLiteral("banana 香蕉")}) {
            const QString path = dir.filePath(word + QStringLiteral(".wav"));
            QCOMPARE(m_dlg->speechEngine().SpeakToFile(word, speech::Voice::kSpeakAsync, path), speech::S_OK);
            SF_INFO info{};
            SNDFILE* sound = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
            QVERIFY(sound);
            std::vector<short> samples(static_cast<std::size_t>(info.frames * info.channels));
            sf_readf_short(sound, samples.data(), info.frames);
            sf_close(sound);
            QCOMPARE(info.samplerate, rate);
            QCOMPARE(info.channels, channels);
            QCOMPARE(info.format, SF_FORMAT_WAV | subtype);
            QVERIFY(info.frames > rate / 4);
            for (std::size_t i = 0; channels == 2 && i < samples.size(); i += 2)
                QCOMPARE(samples[i], samples[i + 1]);
        }
    }

private:
    void open()
    {
        m_dlg = new CWordSpeechDlg(nullptr);
        m_voices = m_dlg->findChild<QComboBox*>(QStringLiteral("voiceComboBox"));
        m_formats = m_dlg->findChild<QComboBox*>(QStringLiteral("formatComboBox"));
        QVERIFY(m_voices && m_formats);
    }

    CWordSpeechDlg* m_dlg = nullptr;
    QPointer<QComboBox> m_voices;
    QPointer<QComboBox> m_formats;
};

QTEST_MAIN(TestVoiceFormat)
#include "test_voiceformat.moc"

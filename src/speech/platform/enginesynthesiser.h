#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "speech/platform/enginedescription.h"
#include "speech/platform/enginevoices.h"
#include "speech/platform/synthesiser.h"

class QTemporaryDir;

namespace speech {

class ChildProcess;

/// A speech engine installed on the machine: its description, its program and the voices found.
struct InstalledEngine
{
    EngineDescription description;
    QString program;  // full path
    std::vector<EngineVoice> voices;
};

/// Every engine of the descriptions in `folders` whose program is there and that has voices.
/// A program is run only when its description asks which build it is (a probe), and only once
/// it has voices; otherwise it is only looked up. Of descriptions sharing an id, the first that
/// applies counts.
std::vector<InstalledEngine> FindInstalledEngines(const QStringList& folders, std::vector<EngineProblem>& problems);

/// Speech by programs outside the process, as their descriptions say, for voices named
/// "engine:<description>/<voice>" in SpeechStep::voice. Each text is written by the program
/// into a WAV file, read back (checked, and within kMaxEngineFileBytes / kMaxEngineSeconds),
/// mixed down and brought to the voice's rate. An engine that takes many texts keeps one
/// process for the voice in use, restarted once if it dies. A program that fails, hangs past
/// its timeout (and is killed) or writes no usable sound fails that text with
/// SPERR_ENGINE_PROGRAM; TakeFailure() then says why. Children are killed when this goes.
/// Calls are serialised.
class EngineSynthesiser final : public Synthesiser
{
public:
    explicit EngineSynthesiser(std::vector<InstalledEngine> engines);
    ~EngineSynthesiser() override;

    /// The usual rate of engine voices; each voice's own is SampleRateOf's.
    std::uint32_t SampleRate() const override;
    std::uint32_t SampleRateOf(const QByteArray& voice) const override;
    HRESULT Speak(const SpeechStep& step, SoundReceiver& receiver) override;
    /// Each voice, with "english" and "chinese" descriptions.
    std::vector<SynthesiserVoice> Voices() const override;

    /// "Pico: speaking rate not available, its voices keep their own" (`chinese`: in Chinese) when
    /// `voice` is of an engine without a rate control and `ratePercent` is not 100; else empty.
    QString RateNotice(const QByteArray& voice, int ratePercent, bool chinese = false) const;

    /// The program and arguments a step runs, as a reader would type them; empty for a voice not
    /// of these engines. Placeholders for the files made at the time stay as they are.
    QString CommandLine(const SpeechStep& step) const;

    bool IsEmpty() const { return m_engines.empty(); }

    /// True for "engine:…" voices.
    static bool IsEngineVoice(const QByteArray& voice);
    static QByteArray VoiceIdentifier(const InstalledEngine& engine, const EngineVoice& voice);
    /// Why the last text that failed with SPERR_ENGINE_PROGRAM failed, in this process; cleared.
    static QString TakeFailure();

private:
    struct Found;
    struct Serving;
    Found Find(const QByteArray& voice) const;
    HRESULT Fail(const Found& found, const QString& why);
    HRESULT RunOnce(const Found& found, const SpeechStep& step, const QString& text, const QString& out);
    HRESULT RunServing(const Found& found, const SpeechStep& step, const QString& text, const QString& out);
    // Empty when the long-lived process is there to ask (a server: listening); else why not.
    QString StartServing(const Found& found, const SpeechStep& step);
    // One text to the long-lived process; `ended` when it ended instead of answering.
    HRESULT AskServing(const Found& found, const QString& text, const QString& out, bool& ended);
    HRESULT ServingFailed(const Found& found, const SpeechStep& step, const QString& text, const QString& out,
                          const QString& why);
    QString NewFile(const char* kind);

    std::vector<InstalledEngine> m_engines;
    mutable std::mutex m_mutex;
    std::unique_ptr<Serving> m_serving;
    std::unique_ptr<QTemporaryDir> m_files;
    unsigned m_fileCount = 0;
    std::vector<QString> m_rateWarned;  // engines already said to lack a rate control
    std::vector<QString> m_perText;     // engines whose long-lived process could not start
};

} // namespace speech

#pragma once

#include <cstdint>
#include <memory>

#include <QString>

#include "base/comerror.h"
#include "speech/fileencoding.h"

class QObject;

namespace speech {
class AudioOutput;
class TokenList;
class Platform;
class Voice;
} // namespace speech

/// The program's one speech engine: it owns the voice for the life of the main window, speaks
/// a text on the current output (preview) and speaks a text into a new WAV file (batch
/// generation). Failures after Initialize are returned, never reported.
class SpeechEngine
{
public:
    /// Posted to the notification target for each event of interest.
    static constexpr int kNotifyMessage = 1125;
    static constexpr std::uint64_t kEventInterest = 0x0000000240000100ULL;
    static constexpr std::uint64_t kFileEventMask = 0xEFFFFFFFFFFFFFFFULL;
    /// SpeakText and SpeakToFile flag: return once the text is queued.
    static constexpr std::uint32_t kSpeakAsync = 1;

    /// `platform` null: the real speech platform (espeak-ng, the sound server, libsndfile).
    explicit SpeechEngine(std::shared_ptr<speech::Platform> platform = nullptr);
    virtual ~SpeechEngine();
    SpeechEngine(const SpeechEngine&) = delete;
    SpeechEngine& operator=(const SpeechEngine&) = delete;

    /// Starts the platform, creates the voice, sets its event interest and, when
    /// `notifyTarget` is not null, makes it post its events there; then looks up the default
    /// audio output (its absence is no failure). On failure the error carries the code of the
    /// step that failed (ResultCode::EngineNotStarted …), whose text GetErrorText also gives.
    /// Called once.
    Result<void> Initialize(QObject* notifyTarget);
    QString GetErrorText() const;
    /// Releases the voice and the audio output and balances the platform's start. The
    /// destructor runs it; running it again does nothing.
    void Shutdown();

    /// Discards whatever is queued or sounding, then speaks `text` with `flags`
    /// (speech::Voice::kSpeakAsync returns at once).
    HRESULT SpeakText(const QString& text, std::uint32_t flags);
    /// Speaks `text` into a WAV file at `path` in the format of the voice's current output,
    /// waits until it is rendered and puts the previous output back, in every case. The file
    /// appears, replacing one of that name, only when the text was rendered to its end;
    /// otherwise an existing file is left as it was and the failure is returned (a folder that
    /// does not exist gives STG_E_PATHNOTFOUND).
    HRESULT SpeakToFile(const QString& text, std::uint32_t flags, const QString& path);
    /// As above, into a file of `encoding`'s type (the format EncodedWaveFormat makes of the
    /// current output's). `finisher`, when set, runs on the complete file before it takes its
    /// name (tags, the length for a playlist); its false fails the call with E_FAIL.
    HRESULT SpeakToFile(const QString& text, std::uint32_t flags, const QString& path,
                        const speech::FileEncoding& encoding, speech::FileFinisher finisher = {});

    /// For batch workers: the recurring pieces espeak-ng has kept so far (the warm-up's letters,
    /// labels and tags) are kept for good, so they sound the same in every file. With
    /// `wholeTexts` every text starts from the state the library has now, so a file is the same,
    /// byte for byte, whatever this process spoke before; each text then costs a fork. Without
    /// it, nothing new is kept and a text's length depends on what was spoken before by a few
    /// milliseconds.
    static void MakeEspeakRepeatable(bool wholeTexts);
    /// Why the last text this process failed with ResultCode::SpeechProgramFailed failed: the
    /// voice and what its program said. Empty once taken.
    static QString TakeProgramFailure();

    /// Makes the voice list's selected voice the voice (none selected, or no list: the default
    /// voice), cutting off what is sounding. Nothing happens when the selected entry holds the
    /// very token object the voice speaks with. SPERR_UNINITIALIZED without a voice.
    HRESULT SelectVoiceFromList(const speech::TokenList* list);

    /// Makes the voice with token id `tokenId` the voice (empty: the default voice), as a
    /// program without a voice list picks one. Fails with SPERR_NOT_FOUND (the id as subject)
    /// for an unknown id, SPERR_UNINITIALIZED without a voice.
    Result<void> SelectVoiceById(const QString& tokenId);
    /// Makes the voice with token id `tokenId`, a speech program's Chinese voice
    /// (speech::ChineseEngineVoice), say the Chinese of later texts of a bilingual voice; empty:
    /// eSpeak NG's Mandarin. Fails with ResultCode::JobBadChineseVoice (the id as subject) for an
    /// unknown id or a voice that is no such Chinese voice, SPERR_UNINITIALIZED without a voice.
    Result<void> SelectChineseVoice(const QString& tokenId);
    /// The token id of the voice speaking now; empty without a voice.
    QString GetVoiceId() const;
    /// Whether the voice speaking now reads espeak-ng's [[…]] phonemes in its English.
    bool VoiceReadsPhonemes() const;
    /// In Chinese, that the voice speaking now keeps its own pace at `englishRate` percent (a
    /// speech program without a rate control); empty when it follows the rate.
    QString RateNotice(int englishRate) const;

    /// Speaks later texts, previews and files, at these rates in percent of the engines' usual
    /// tempo (50 to 200): `english` for English, `chinese` for Chinese. Fails with E_INVALIDARG
    /// outside that range, SPERR_UNINITIALIZED without a voice.
    Result<void> SetSpeakingRates(int english, int chinese);

    /// The entry of the format table (speech::AudioFormatTable) that the voice's current output
    /// is in: the initial selection of the format list. -1 when the format is not in the table;
    /// speech::kUnreadableFormatEntry when it cannot be read, or without a voice.
    int GetOutputFormatIndex() const;
    /// Puts the audio output in the format of `code` (4 to 39) and makes it the voice's output,
    /// so that previews sound and later files are written in it. E_FAIL without an audio output;
    /// a format the output refuses changes nothing.
    HRESULT SetOutputFormat(int code);

    /// For the voice list and the format list: the voice (null before Initialize or after a
    /// failed one), the default audio output (null when the platform names none) and the
    /// platform.
    speech::Voice* GetVoice() const { return m_voice.get(); }
    const std::shared_ptr<speech::AudioOutput>& GetAudioOutput() const { return m_audioOutput; }
    speech::Platform& GetPlatform() const { return *m_platform; }

private:
    QString m_errorText;
    std::unique_ptr<speech::Voice> m_voice;
    std::shared_ptr<speech::AudioOutput> m_audioOutput;
    std::shared_ptr<speech::Platform> m_platform;
    bool m_started = false;
};

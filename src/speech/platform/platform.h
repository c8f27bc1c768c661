#pragma once

#include <memory>
#include <mutex>

#include <QStringView>

#include "speech/platform/objecttoken.h"
#include "speech/platform/result.h"

namespace speech {

class AudioOutput;
class FileStream;
class SoundSink;
class Synthesiser;
class Voice;
struct VoiceParts;

/// The speech platform of the process: its start count, its token store and the factories of
/// its objects. The real one synthesises with espeak-ng, plays through the sound server and
/// writes WAV files with libsndfile; tests derive from it to put a failing or recording piece
/// in place of one of those. Create it with std::make_shared (audio tokens refer back to it).
class Platform : public std::enable_shared_from_this<Platform>
{
public:
    Platform();
    virtual ~Platform();
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;

    /// Counts a start. The first one starts the synthesisers (espeak-ng, and Flite where it
    /// starts) and fills the token store: the voices (the built-in bilingual ones first, the
    /// first of them the default, then espeak-ng's own) and the one audio output, the sound
    /// device.
    virtual HRESULT Start();
    /// Balances one Start.
    virtual void Stop();
    bool IsStarted() const;

    /// A voice on the default audio output with the default voice. SPERR_UNINITIALIZED before
    /// Start.
    virtual HRESULT CreateVoice(std::unique_ptr<Voice>& voice);
    /// A new output on the sound device. It always succeeds: without a reachable sound server
    /// the output drops what it is given.
    virtual HRESULT CreateAudioOutput(std::shared_ptr<AudioOutput>& audio);
    virtual HRESULT CreateFileStream(std::shared_ptr<FileStream>& stream);

    /// The pieces CreateVoice builds a voice from, for voices built elsewhere.
    HRESULT GetVoiceParts(VoiceParts& parts);
    /// An unbound category (see TokenCategory::SetId).
    HRESULT CreateTokenCategory(std::unique_ptr<TokenCategory>& category) const;
    /// A new token object for a token id; SPERR_NOT_FOUND for an unknown id.
    HRESULT CreateToken(QStringView tokenId, TokenPtr& token) const;

    std::shared_ptr<Synthesiser> GetSynthesiser() const;

protected:
    /// The store the categories read: a test platform puts tokens of its own there.
    TokenStore& GetTokenStore() const { return *m_tokens; }
    virtual std::unique_ptr<SoundSink> CreateSoundSink();
    virtual HRESULT CreateSynthesiser(std::shared_ptr<Synthesiser>& synthesiser);

private:
    void FillTokenStore(const Synthesiser& synthesiser);

    mutable std::mutex m_mutex;
    int m_starts = 0;
    std::shared_ptr<Synthesiser> m_synthesiser;
    std::shared_ptr<TokenStore> m_tokens;
};

} // namespace speech

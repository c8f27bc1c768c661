#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include <QString>

// The wave format is the speech platform's own; callers outside it need only the encoding.
namespace speech {
struct WaveFormat;
}

namespace speech {

/// What a word's file holds: PCM in WAV, MP3 (LAME) or Opus in Ogg.
enum class OutputFileType {
    Wav,
    Mp3,
    Opus,
};

/// How a file is made. The bit rate is for MP3 only; Opus keeps libsndfile's own. Silence at
/// either end and one loudness for every file are asked for here; by default a file holds the
/// voice's sound as it is.
struct FileEncoding
{
    static constexpr int kMinMp3Kbps = 32;
    static constexpr int kMaxMp3Kbps = 320;
    static constexpr int kDefaultMp3Kbps = 64;
    static constexpr int kMaxSilenceMs = 2000;
    static constexpr double kMinLoudnessLufs = -40;
    static constexpr double kMaxLoudnessLufs = -10;
    /// No file's true peak goes above this, whatever loudness is asked for.
    static constexpr double kMaxTruePeakDb = -1;

    OutputFileType type = OutputFileType::Wav;
    int mp3Kbps = kDefaultMp3Kbps;
    int leadMs = 0;   // silence before the sound, 0 to kMaxSilenceMs
    int trailMs = 0;  // and after it
    /// The integrated loudness (EBU R128) every file is brought to, its English and Chinese parts
    /// each on their own so they are level with each other; nothing: left as spoken.
    std::optional<double> loudnessLufs;
    /// For a WAV: written in the PCM a file of this type is encoded from, not in the chosen
    /// format. A lesson's words are spoken into such pieces and joined into one file of that
    /// type (SoundTrack) without converting them again.
    std::optional<OutputFileType> pcmFor;

    /// A file of `type` (at `mp3Kbps` for MP3) with nothing else asked for.
    static FileEncoding Of(OutputFileType type, int mp3Kbps = kDefaultMp3Kbps)
    {
        FileEncoding encoding;
        encoding.type = type;
        encoding.mp3Kbps = mp3Kbps;
        return encoding;
    }

    bool operator==(const FileEncoding&) const = default;
};

/// Called on the finished file under its temporary name, before it is renamed into place (to
/// tag it, or to note its length): `seconds` is the length of the sound written. False keeps
/// the file from being committed.
using FileFinisher = std::function<bool(const QString& writtenFile, double seconds)>;

/// "wav", "mp3" or "opus": the extension of a file of that type, without the dot.
QString FileTypeExtension(OutputFileType type);
/// The type named by "wav", "mp3" or "opus" (any case); nothing for another name.
std::optional<OutputFileType> FileTypeFromName(QStringView name);

/// The PCM format a file of `encoding` is encoded from when the user chose `chosen`: the same
/// for WAV. MP3 and Opus are encoded from 16 bits; Opus takes only 8, 12, 16, 24 and 48 kHz, so
/// another rate goes up to the next of them; MP3 goes up to kMinMp3Rate, the lowest rate every
/// decoder we checked reads (tools/measure-mp3-decoders.sh). The voice converts to this format.
WaveFormat EncodedWaveFormat(const FileEncoding& encoding, const WaveFormat& chosen);

/// The lowest sample rate an MP3 is written at.
inline constexpr std::uint32_t kMinMp3Rate = 8000;

/// The bit rates an MP3 of `channels` at `rate` can be written at, lowest first: those of its
/// MPEG version (MPEG-1 from 32 kHz up to 320 kbps, MPEG-2 at 16–24 kHz up to 160, MPEG-2.5 below
/// up to 64) within the 32–320 offered, from the lowest whose frames hold LAME's Info tag.
/// Without that tag decoders cannot trim the encoder's delay and padding (up to 0.2 s at 8 kHz)
/// and ffmpeg warns it estimates the length: e.g. 32 kbps at 16 kHz or above.
std::vector<int> Mp3BitRates(std::uint32_t rate, std::uint16_t channels = 1);

/// Of `rates` (lowest first), `kbps` when it is one, else the lowest above it, else the highest;
/// `kbps` itself when there are none.
int NearestMp3Kbps(std::span<const int> rates, int kbps);

/// The bit rate an MP3 of `channels` at `rate` is written at when `kbps` is asked for: `kbps`
/// when it is one of Mp3BitRates, else the nearest of them (NearestMp3Kbps). Jobs ask only for
/// those, so this only keeps the encoder from being handed a rate it cannot write.
int EffectiveMp3Kbps(int kbps, std::uint32_t rate, std::uint16_t channels = 1);

} // namespace speech

namespace speech {

/// The length in seconds of a WAV, MP3 or Opus file as written here (for a file kept from an
/// earlier run); nothing when it cannot be read as sound.
std::optional<double> SoundFileSeconds(const QString& path);

} // namespace speech

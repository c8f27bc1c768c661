#include "speech/platform/enginesound.h"

#include <algorithm>

#include <sndfile.h>

#include <QFileInfo>

#include "base/cfree.h"

namespace speech {
namespace {

void CloseSound(SNDFILE* file)
{
    sf_close(file);
}

using SoundFile = std::unique_ptr<SNDFILE, CFree<&CloseSound>>;

constexpr int kMaxChannels = 8;
constexpr sf_count_t kChunkFrames = 4096;

} // namespace

bool ReadEngineSound(const QString& path, EngineSound& sound, QString& why)
{
    sound = {};
    const QFileInfo info(path);
    if (!info.isFile()) {
        why = QStringLiteral("it wrote no sound file");
        return false;
    }
    if (info.size() > kMaxEngineFileBytes) {
        why = QStringLiteral("its sound file is too large (%1 bytes)").arg(info.size());
        return false;
    }
    SF_INFO format{};
    const SoundFile file(sf_open(QFile::encodeName(path).constData(), SFM_READ, &format));
    if (!file || (format.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAV) {
        why = QStringLiteral("its sound file is not a WAV file");
        return false;
    }
    if (format.channels < 1 || format.channels > kMaxChannels || format.samplerate < 1000 || format.samplerate > 192000) {
        why = QStringLiteral("its sound file has %1 channels at %2 Hz").arg(format.channels).arg(format.samplerate);
        return false;
    }
    if (format.frames <= 0 || format.frames > sf_count_t(kMaxEngineSeconds) * format.samplerate) {
        why = format.frames <= 0 ? QStringLiteral("its sound file holds no sound")
                                 : QStringLiteral("its sound file claims %1 frames").arg(format.frames);
        return false;
    }
    sound.rate = std::uint32_t(format.samplerate);
    sound.samples.reserve(std::size_t(format.frames));
    std::vector<short> chunk(std::size_t(kChunkFrames * format.channels));
    sf_count_t got = 0;
    // Read to the real end: a header may claim more than the file holds.
    while ((got = sf_readf_short(file.get(), chunk.data(), kChunkFrames)) > 0) {
        for (sf_count_t frame = 0; frame < got; ++frame) {
            int sum = 0;
            for (int channel = 0; channel < format.channels; ++channel)
                sum += chunk[std::size_t(frame * format.channels + channel)];
            sound.samples.push_back(std::int16_t(sum / format.channels));
        }
        if (sound.samples.size() > std::size_t(format.frames))
            break;
    }
    if (sound.samples.empty()) {
        why = QStringLiteral("its sound file holds no sound");
        return false;
    }
    return true;
}

} // namespace speech

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "speech/platform/soundconverter.h"

using namespace speech;

namespace {

std::vector<std::int16_t> Tone(std::size_t samples)
{
    std::vector<std::int16_t> tone(samples);
    for (std::size_t i = 0; i < samples; ++i)
        tone[i] = static_cast<std::int16_t>(8000 * std::sin(i * 0.05));
    return tone;
}

} // namespace

// Pieces of one sound come in any sizes, empty ones included (a piece may carry only events):
// none of them may end the sound early.
TEST(SoundConverter, ConvertsPieceByPieceToRateAndChannels)
{
    const std::vector<std::int16_t> tone = Tone(22050);
    for (const WaveFormat& format : {WaveFormat::Pcm(16000, 16, 2), WaveFormat::Pcm(48000, 8, 1),
                                     WaveFormat::Pcm(22050, 16, 2)}) {
        SCOPED_TRACE(testing::Message() << format.samplesPerSec << " Hz " << format.channels << " ch");
        SoundConverter converter;
        for (int sound = 0; sound < 2; ++sound) {  // the second after a Reset to the same format
            ASSERT_EQ(converter.Reset(22050, format), S_OK);
            std::vector<std::int16_t> out;
            const auto take = [&](std::span<const std::int16_t> part) { out.insert(out.end(), part.begin(), part.end()); };
            take(converter.Convert({tone.data(), 1081}));
            take(converter.Convert({}));
            take(converter.Convert(std::span<const std::int16_t>(tone).subspan(1081)));
            take(converter.Flush());
            const double frames = static_cast<double>(out.size()) / format.channels;
            EXPECT_NEAR(frames, format.samplesPerSec, 2.0);
            for (std::size_t i = 0; format.channels == 2 && i < out.size(); i += 2)
                ASSERT_EQ(out[i], out[i + 1]) << "frame " << i / 2;
            // The tone's loudness survives the conversion.
            EXPECT_GT(*std::max_element(out.begin(), out.end()), 7000);
        }
    }
    SoundConverter converter;
    EXPECT_EQ(converter.Reset(22050, WaveFormat::Pcm(16000, 24, 1)), SPERR_UNSUPPORTED_FORMAT);
}

// What a file holds beyond the words: silence at its ends, repeats and pauses, the speaking
// rate, and one loudness for every file.
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include <ebur128.h>
#include <sndfile.h>

#include <QFile>
#include <QTemporaryDir>

#include "speech/audioformattable.h"
#include "speech/composeutterance.h"
#include "speech/fileencoding.h"
#include "speech/platform/loudness.h"
#include "speech/platform/voice.h"
#include "speech/speechengine.h"
#include "speechfakes.h"

using namespace speech;

namespace {

const QString kFliteVoice = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\LexovoxBilingualFliteRms"_qs;
const QString kEspeakVoice = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\LexovoxBilingualUS"_qs;
constexpr std::uint32_t kRate = 16000;
constexpr int k16kHz16BitMono = 18;
constexpr int k16kHz8BitMono = 16;

struct Sound
{
    int channels = 1;
    int rate = 0;
    std::vector<short> samples;

    double Seconds() const { return rate ? double(samples.size()) / channels / rate : 0; }
};

void CloseSound(SNDFILE* sound)
{
    sf_close(sound);
}

Sound Read(const QString& path)
{
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, decltype(&CloseSound)> file(
        sf_open(QFile::encodeName(path).constData(), SFM_READ, &info), &CloseSound);
    Sound sound;
    if (!file)
        return sound;
    sound.channels = info.channels;
    sound.rate = info.samplerate;
    sound.samples.resize(std::size_t(info.frames * info.channels));
    sf_readf_short(file.get(), sound.samples.data(), info.frames);
    return sound;
}

struct Measured
{
    double lufs = -HUGE_VAL;
    double truePeakDb = -HUGE_VAL;
};

Measured Measure(const short* samples, std::size_t frames, int channels, std::uint32_t rate)
{
    ebur128_state* meter = ebur128_init(unsigned(channels), rate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    ebur128_add_frames_short(meter, samples, frames);
    Measured measured;
    ebur128_loudness_global(meter, &measured.lufs);
    double peak = 0;
    for (int c = 0; c < channels; ++c) {
        double channelPeak = 0;
        ebur128_true_peak(meter, unsigned(c), &channelPeak);
        peak = std::max(peak, channelPeak);
    }
    measured.truePeakDb = 20 * std::log10(peak);
    ebur128_destroy(&meter);
    return measured;
}

Measured Measure(const Sound& sound)
{
    return Measure(sound.samples.data(), sound.samples.size() / sound.channels, sound.channels, std::uint32_t(sound.rate));
}

void AddTone(std::vector<std::int16_t>& samples, double seconds, double frequency, double amplitude)
{
    const auto count = std::size_t(seconds * kRate);
    for (std::size_t i = 0; i < count; ++i)
        samples.push_back(std::int16_t(std::lrint(32767 * amplitude * std::sin(2 * std::numbers::pi * frequency * i / kRate))));
}

class FileShapingTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_engine = std::make_unique<SpeechEngine>(std::make_shared<TestPlatform>());
        ASSERT_TRUE(m_engine->Initialize(nullptr));
        ASSERT_EQ(m_engine->SetOutputFormat(k16kHz16BitMono), S_OK);
    }

    Sound Write(const QString& text, const FileEncoding& encoding = {})
    {
        const QString path = m_dir.filePath(QStringLiteral("%1.wav").arg(++m_files));
        EXPECT_EQ(m_engine->SpeakToFile(text, Voice::kSpeakAsync, path, encoding), S_OK) << text.toStdString();
        return Read(path);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<SpeechEngine> m_engine;
    int m_files = 0;
};

} // namespace

TEST(LevelLoudness, BringsEachLanguageToTheTargetWithinThePeakLimit)
{
    // A quiet English part, a pause, a loud Chinese part.
    std::vector<std::int16_t> samples;
    AddTone(samples, 1.0, 440, 0.02);
    const std::size_t pause = samples.size();
    samples.resize(pause + kRate / 4, 0);
    const std::size_t han = samples.size();
    AddTone(samples, 1.0, 300, 0.5);
    const SoundPart parts[] = {{0, Script::Latin}, {pause, Script::Neutral}, {han, Script::Han}};

    const LoudnessLevels levels = LevelLoudness(samples, 1, kRate, parts, -18, -1);
    EXPECT_NEAR(levels.after, -18, 0.2);
    const Measured english = Measure(samples.data(), pause, 1, kRate);
    const Measured chinese = Measure(samples.data() + han, samples.size() - han, 1, kRate);
    const Measured whole = Measure(samples.data(), samples.size(), 1, kRate);
    EXPECT_NEAR(english.lufs, chinese.lufs, 0.5);
    // Measured once, before levelling: parts this short, with a pause, land within half a LU
    // (spoken words, some ten times longer, within a third).
    EXPECT_NEAR(whole.lufs, -18, 0.5);
    EXPECT_LE(whole.truePeakDb, -0.9);
    // The pause stays silent once the gain ramp from the part before is over.
    for (std::size_t i = pause + kRate / 100; i < han; ++i)
        ASSERT_EQ(samples[i], 0) << i;
}

TEST(LevelLoudness, PartsShorterThanAMeasuringBlockAreLevelledToo)
{
    // A quiet English syllable straight after a loud Chinese one, each under the 400 ms over
    // which loudness is measured, and no pause around them.
    std::vector<std::int16_t> samples;
    AddTone(samples, 0.3, 440, 0.02);
    const std::size_t han = samples.size();
    AddTone(samples, 0.3, 300, 0.5);
    const SoundPart parts[] = {{0, Script::Latin}, {han, Script::Han}};

    const LoudnessLevels levels = LevelLoudness(samples, 1, kRate, parts, -18, -1);
    EXPECT_TRUE(std::isfinite(levels.before));
    const Measured whole = Measure(samples.data(), samples.size(), 1, kRate);
    EXPECT_NEAR(whole.lufs, -18, 0.5);
    EXPECT_LE(whole.truePeakDb, -0.9);
    // Each as loud as the other, over its length (no part is long enough for a gated reading).
    const auto overItsLength = [](const std::int16_t* part, std::size_t frames) {
        ebur128_state* meter = ebur128_init(1, kRate, EBUR128_MODE_M);
        ebur128_add_frames_short(meter, part, frames);
        double lufs = -HUGE_VAL;
        ebur128_loudness_window(meter, frames * 1000 / kRate, &lufs);
        ebur128_destroy(&meter);
        return lufs;
    };
    const double english = overItsLength(samples.data(), han);
    EXPECT_NEAR(english, overItsLength(samples.data() + han, samples.size() - han), 0.5);

    // A file shorter than one block is brought to the target over its length.
    std::vector<std::int16_t> syllable;
    AddTone(syllable, 0.3, 440, 0.02);
    LevelLoudness(syllable, 1, kRate, {}, -18, -1);
    EXPECT_NEAR(overItsLength(syllable.data(), syllable.size()), -18, 0.2);
}

TEST(LevelLoudness, GainsMoveSmoothlyAndPeaksBetweenSamplesStayUnderTheLimit)
{
    // Clicks in a quiet English part, then a Chinese tone at a quarter of the rate whose crests
    // fall between samples (3 dB above them), in stereo.
    std::vector<std::int16_t> mono;
    AddTone(mono, 1.5, 440, 0.02);
    for (std::size_t i = kRate / 8; i < mono.size(); i += kRate / 5) {
        while (std::abs(mono[i - 1]) < 600)  // between loud samples, where a step would show
            ++i;
        mono[i] = std::int16_t(i % 2 ? 25000 : -25000);
    }
    const std::size_t han = mono.size();
    for (std::size_t i = 0; i < kRate; ++i)
        mono.push_back(std::int16_t(std::lrint(6000 * std::sin(std::numbers::pi / 2 * double(i) + std::numbers::pi / 4))));
    std::vector<std::int16_t> stereo;
    for (const std::int16_t sample : mono) {
        stereo.push_back(sample);
        stereo.push_back(std::int16_t(sample / 2));
    }
    const std::vector<std::int16_t> before = stereo;
    const SoundPart parts[] = {{0, Script::Latin}, {han, Script::Han}};

    LevelLoudness(stereo, 2, kRate, parts, -14, -1);
    const Measured measured = Measure(stereo.data(), mono.size(), 2, kRate);
    EXPECT_LE(measured.truePeakDb, -0.98);
    // From one frame to the next the gain moves at most 20 dB in 2 ms (here 0.625 dB a frame),
    // a little more where rounding to whole samples shows.
    double previous = 0;
    double steepest = 0;
    for (std::size_t f = 0; f < mono.size(); ++f) {
        if (std::abs(before[2 * f]) < 200)
            continue;
        const double gainDb = 20 * std::log10(double(stereo[2 * f]) / before[2 * f]);
        if (previous != 0 && f > 0 && std::abs(before[2 * f - 2]) >= 200)
            steepest = std::max(steepest, std::abs(gainDb - previous));
        previous = gainDb;
        // Both channels at one gain.
        ASSERT_NEAR(stereo[2 * f + 1], double(before[2 * f + 1]) * stereo[2 * f] / before[2 * f], 2.0) << f;
    }
    EXPECT_LT(steepest, 0.625 + 0.1);
}

TEST(LevelLoudness, MakesUpWhatTheLimiterTakes)
{
    // A tone with short loud bursts, which the target pushes past the limit: the limiter takes
    // about 0.8 dB, which is made up without measuring again.
    std::vector<std::int16_t> samples;
    for (int burst = 0; burst < 8; ++burst) {
        AddTone(samples, 0.245, 300, 0.05);
        AddTone(samples, 0.005, 300, 0.25);
    }
    const SoundPart parts[] = {{0, Script::Latin}};
    const LoudnessLevels levels = LevelLoudness(samples, 1, kRate, parts, -14, -1);
    const Measured measured = Measure(samples.data(), samples.size(), 1, kRate);
    EXPECT_NEAR(measured.lufs, -14, 0.2);
    EXPECT_NEAR(levels.after, measured.lufs, 0.2);
    EXPECT_LE(measured.truePeakDb, -0.98);

    // The same as a short word and its meaning, which is measured again as levelled and raised
    // to the target, where the limiter meets its bursts again.
    std::vector<std::int16_t> word;
    for (int burst = 0; burst < 8; ++burst) {
        AddTone(word, 0.095, 300, 0.05);
        AddTone(word, 0.005, 300, 0.25);
    }
    const std::size_t pause = word.size();
    word.resize(pause + kRate / 4, 0);
    const std::size_t han = word.size();
    for (int burst = 0; burst < 8; ++burst) {
        AddTone(word, 0.095, 400, 0.05);
        AddTone(word, 0.005, 400, 0.25);
    }
    const SoundPart wordParts[] = {{0, Script::Latin}, {pause, Script::Neutral}, {han, Script::Han}};
    LevelLoudness(word, 1, kRate, wordParts, -14, -1);
    const Measured wordMeasured = Measure(word.data(), word.size(), 1, kRate);
    EXPECT_NEAR(wordMeasured.lufs, -14, 0.2);
    EXPECT_LE(wordMeasured.truePeakDb, -0.98);
}

TEST(LevelLoudness, TurnsDownPeaksRatherThanTheWordAndLeavesSilenceAlone)
{
    // Clicks over a quiet tone: the target would push them far past the limit.
    std::vector<std::int16_t> samples;
    AddTone(samples, 2.0, 440, 0.01);
    for (std::size_t i = 0; i < samples.size(); i += kRate / 4)
        samples[i] = 30000;
    const SoundPart parts[] = {{0, Script::Latin}};
    LevelLoudness(samples, 1, kRate, parts, -10, -1);
    const Measured measured = Measure(samples.data(), samples.size(), 1, kRate);
    EXPECT_LE(measured.truePeakDb, -0.95);
    EXPECT_NEAR(measured.lufs, -10, 0.5);

    std::vector<std::int16_t> silence(kRate, 0);
    const LoudnessLevels levels = LevelLoudness(silence, 1, kRate, parts, -18, -1);
    EXPECT_FALSE(std::isfinite(levels.before));
    EXPECT_EQ(silence, std::vector<std::int16_t>(kRate, 0));
}

TEST_F(FileShapingTest, SilenceRepeatsAndPausesLengthenTheFileByWhatWasAsked)
{
    // Flite's English is the same sound every time, so lengths add up to the sample.
    ASSERT_TRUE(m_engine->SelectVoiceById(kFliteVoice));
    const SpeechOptions plain{};
    const double once = Write(ComposeUtterance(u"apple"_qs, {}, plain)).Seconds();
    ASSERT_GT(once, 0.2);
    FileEncoding framed;
    framed.leadMs = 100;
    framed.trailMs = 300;
    const Sound withSilence = Write(ComposeUtterance(u"apple"_qs, {}, plain), framed);
    EXPECT_NEAR(withSilence.Seconds(), once + 0.4, 0.002);
    EXPECT_EQ(withSilence.samples.front(), 0);
    EXPECT_EQ(withSilence.samples.back(), 0);
    const double thrice = Write(ComposeUtterance(u"apple"_qs, {}, plain, {3, 0, {}})).Seconds();
    EXPECT_NEAR(thrice, 3 * once, 0.05);
    EXPECT_NEAR(Write(ComposeUtterance(u"apple"_qs, {}, plain, {3, 1000, {}})).Seconds(), thrice + 2.0, 0.002);

    // Pauses between the parts: espeak-ng's Mandarin varies by a few milliseconds.
    const SpeechOptions all{true, true, true};
    const double tight = Write(ComposeUtterance(u"apple"_qs, u"苹果"_qs, all, {1, 0, {}})).Seconds();
    const double spaced = Write(ComposeUtterance(u"apple"_qs, u"苹果"_qs, all, {1, 1500, {}})).Seconds();
    EXPECT_NEAR(spaced - tight, 2 * 1.5, 0.03);  // between the word, its letters and its meaning
}

TEST_F(FileShapingTest, EveryFileComesToTheLoudnessAskedForInEitherVoice)
{
    FileEncoding levelled;
    levelled.leadMs = 100;
    levelled.trailMs = 300;
    levelled.loudnessLufs = -18;
    for (const QString& voice : {kFliteVoice, kEspeakVoice}) {
        ASSERT_TRUE(m_engine->SelectVoiceById(voice));
        for (const auto& [en, ch] : {std::pair{u"computer"_qs, u"n. 计算机"_qs}, {u"bank"_qs, u"n. 银行；岸"_qs},
                                      {u"apple"_qs, u"苹果"_qs}}) {
            const QString text = ComposeUtterance(en, ch, {true, true, true});
            const Measured raw = Measure(Write(text));
            const Measured file = Measure(Write(text, levelled));
            EXPECT_NEAR(file.lufs, -18, 1.0) << en.toStdString() << " from " << raw.lufs;
            EXPECT_LE(file.truePeakDb, -0.8) << en.toStdString();
            // Each language on its own comes out as loud as the other.
            const Measured english = Measure(Write(ComposeUtterance(en, {}, {true, false, false}), levelled));
            const Measured chinese = Measure(Write(ch, levelled));
            EXPECT_NEAR(english.lufs, chinese.lufs, 1.0) << en.toStdString();
        }
    }
    // An 8-bit file is levelled without clipping.
    ASSERT_EQ(m_engine->SetOutputFormat(k16kHz8BitMono), S_OK);
    levelled.loudnessLufs = -10;
    const Sound narrow = Write(ComposeUtterance(u"computer"_qs, u"计算机"_qs, {false, true, false}), levelled);
    ASSERT_FALSE(narrow.samples.empty());
    const auto [low, high] = std::minmax_element(narrow.samples.begin(), narrow.samples.end());
    EXPECT_GT(*low, -32768 + 256);
    EXPECT_LT(*high, 32767 - 256);
}

TEST_F(FileShapingTest, OneSyllableWithOneCharacterComesToTheLoudnessAskedFor)
{
    // Each language here is a few hundred milliseconds, too little for the two measured apart
    // to tell the file's loudness (0.6 LU under the target on average, some words over 1 LU),
    // and without pauses under one measuring block each.
    FileEncoding framed;
    framed.leadMs = 100;
    framed.trailMs = 300;
    framed.loudnessLufs = -18;
    FileEncoding bare;
    bare.loudnessLufs = -18;
    const std::pair<QString, QString> words[] = {{u"dog"_qs, u"狗"_qs}, {u"cat"_qs, u"猫"_qs}, {u"fish"_qs, u"鱼"_qs},
                                                 {u"bird"_qs, u"鸟"_qs}, {u"ox"_qs, u"牛"_qs}, {u"moon"_qs, u"月"_qs},
                                                 {u"hear"_qs, u"听"_qs}, {u"high"_qs, u"高"_qs}};
    for (const QString& voice : {kFliteVoice, kEspeakVoice}) {
        ASSERT_TRUE(m_engine->SelectVoiceById(voice));
        for (const auto& [encoding, pauseMs] : {std::pair{framed, -1}, std::pair{bare, 0}}) {
            double sum = 0;
            for (const auto& [en, ch] : words) {
                const Measured file =
                    Measure(Write(ComposeUtterance(en, ch, {false, true, false}, {1, pauseMs, {}}), encoding));
                EXPECT_NEAR(file.lufs, -18, 1.0) << en.toStdString() << " in " << voice.toStdString();
                EXPECT_LE(file.truePeakDb, -0.8) << en.toStdString() << " in " << voice.toStdString();
                sum += file.lufs;
            }
            EXPECT_NEAR(sum / std::size(words), -18, 0.3) << voice.toStdString() << ", pause " << pauseMs;
        }
    }
}

TEST_F(FileShapingTest, EachLanguageHasItsOwnRate)
{
    for (const QString& voice : {kFliteVoice, kEspeakVoice}) {
        ASSERT_TRUE(m_engine->SelectVoiceById(voice));
        const QString english = ComposeUtterance(u"computer"_qs, {}, {});
        const QString chinese = u"计算机"_qs;
        const double englishAtUsual = Write(english).Seconds();
        const double chineseAtUsual = Write(chinese).Seconds();
        ASSERT_TRUE(m_engine->SetSpeakingRates(80, 100));
        EXPECT_GT(Write(english).Seconds(), englishAtUsual * 1.15) << voice.toStdString();
        EXPECT_NEAR(Write(chinese).Seconds(), chineseAtUsual, 0.02) << voice.toStdString();
        ASSERT_TRUE(m_engine->SetSpeakingRates(100, 200));
        EXPECT_NEAR(Write(english).Seconds(), englishAtUsual, 0.02) << voice.toStdString();
        EXPECT_LT(Write(chinese).Seconds(), chineseAtUsual * 0.8) << voice.toStdString();
        ASSERT_TRUE(m_engine->SetSpeakingRates(100, 100));
    }
    for (const auto& [english, chinese] : {std::pair{49, 100}, std::pair{100, 201}}) {
        const Result<void> refused = m_engine->SetSpeakingRates(english, chinese);
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error().Error(), E_INVALIDARG);
    }
}

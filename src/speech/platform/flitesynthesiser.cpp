#include "speech/platform/flitesynthesiser.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include <flite/flite.h>

#include <QStringList>

#include "base/cfree.h"
#include "speech/platform/soundcache.h"

extern "C" {
cst_voice* register_cmu_us_kal16(const char* voxdir);
cst_voice* register_cmu_us_rms(const char* voxdir);
cst_voice* register_cmu_us_slt(const char* voxdir);
cst_voice* register_cmu_us_awb(const char* voxdir);
}

namespace speech {
namespace {

constexpr std::uint32_t kRate = 16000;  // every voice registered below
// Below this a sample is padding, not speech; Flite's padding is digital silence plus a faint
// breath, its quietest consonants rise well above it.
constexpr int kSilenceLevel = 300;
constexpr unsigned kNoiseSeed = 1;
// What is kept of the padding: enough that the first consonant is not clipped.
constexpr std::size_t kKeptLeading = kRate * 10 / 1000;
constexpr std::size_t kKeptTrailing = kRate * 40 / 1000;
// Inside a spelled word one letter runs into the next.
constexpr std::size_t kKeptAfterLetter = kRate * 10 / 1000;
// A letter said alone is drawn out like the end of a sentence; said at this pace it takes
// about as long as inside a spelled word, so letters from the cache keep the spelling's tempo.
constexpr float kSpelledLetterPace = 0.7f;
// Recurring pieces: some 3 minutes of sound at 16 kHz.
constexpr std::size_t kCacheBytes = 6 << 20;

struct FliteVoice
{
    const char* name;
    cst_voice* (*registerVoice)(const char*);
    const char* language;
    // Brings the voice to about the loudness of espeak-ng's Mandarin (RMS near 0.11 of full
    // scale), so the runs of a bilingual utterance sound equally loud. kal16 is recorded far
    // quieter than the others; 3 keeps its peaks below full scale.
    float gain;
    cst_voice* voice = nullptr;
};

struct Call;

struct Runtime
{
    std::mutex mutex;  // every call into the library
    bool started = false;
    FliteVoice voices[4] = {
        {"flite/kal16", &register_cmu_us_kal16, "en-us", 3.0f},
        {"flite/rms", &register_cmu_us_rms, "en-us", 1.4f},
        {"flite/slt", &register_cmu_us_slt, "en-us", 0.7f},
        {"flite/awb", &register_cmu_us_awb, "en-gb-scotland", 1.3f},
    };
    SoundCache cache{kCacheBytes};
};

Runtime& TheRuntime()
{
    static Runtime runtime;
    return runtime;
}

// Cuts the padding at both ends of one step's sound as it streams: quiet samples are held back
// until a loud one shows they lie inside the speech.
struct Call
{
    SoundReceiver* receiver = nullptr;
    float gain = 1.0f;
    std::size_t keptTrailing = kKeptTrailing;
    bool speaking = false;     // a loud sample has been passed on
    bool stopped = false;      // the receiver asked to stop
    bool eventsSent = false;
    std::vector<std::int16_t> quiet;  // held back since the last loud sample

    void Take(const std::int16_t* samples, std::size_t count)
    {
        std::vector<std::int16_t> out;
        for (std::size_t i = 0; i < count && !stopped; ++i) {
            const std::int16_t s = samples[i];
            if (std::abs(s) < kSilenceLevel) {
                quiet.push_back(s);
                continue;
            }
            if (!speaking) {
                // Leading padding: keep only its last few milliseconds.
                const std::size_t keep = std::min(quiet.size(), kKeptLeading);
                out.insert(out.end(), quiet.end() - static_cast<std::ptrdiff_t>(keep), quiet.end());
                speaking = true;
            } else {
                out.insert(out.end(), quiet.begin(), quiet.end());
            }
            quiet.clear();
            out.push_back(s);
        }
        Send(out);
    }

    void Finish()
    {
        if (speaking && !stopped) {
            quiet.resize(std::min(quiet.size(), keptTrailing));
            Send(quiet);
        }
        quiet.clear();
    }

    void Send(std::vector<std::int16_t>& out)
    {
        if (out.empty() || stopped)
            return;
        for (std::int16_t& sample : out)
            sample = static_cast<std::int16_t>(std::clamp(sample * gain, -32768.0f, 32767.0f));
        // Flite tells no word or phoneme times while streaming: the start of speech stands for
        // the step's first word.
        static constexpr SynthesisEvent kFirst[] = {SynthesisEvent::Word, SynthesisEvent::Phoneme};
        const std::span<const SynthesisEvent> events =
            eventsSent ? std::span<const SynthesisEvent>() : std::span<const SynthesisEvent>(kFirst);
        eventsSent = true;
        stopped = !receiver->Receive(out, events);
    }
};

int OnChunk(const cst_wave* wave, int start, int size, int /*last*/, cst_audio_streaming_info* info)
{
    auto* call = static_cast<Call*>(info->userdata);
    if (!call)
        return CST_AUDIO_STREAM_CONT;
    call->Take(wave->samples + start, static_cast<std::size_t>(size));
    return call->stopped ? CST_AUDIO_STREAM_STOP : CST_AUDIO_STREAM_CONT;
}

// Flite says a capital letter standing alone by its name ("A" as "ay"); a lower-case one may
// be read as a word (the article "a").
QByteArray SpelledText(const QString& text)
{
    QStringList letters;
    for (const char32_t c : text.toUcs4())
        letters << QString::fromUcs4(&c, 1).toUpper();
    return letters.join(u' ').toUtf8();
}

void DeleteWave(cst_wave* wave)
{
    delete_wave(wave);
}

using Wave = std::unique_ptr<cst_wave, CFree<&DeleteWave>>;

void DeleteUtterance(cst_utterance* utterance)
{
    delete_utterance(utterance);
}

using Utterance = std::unique_ptr<cst_utterance, CFree<&DeleteUtterance>>;

// With the runtime's mutex held.
HRESULT Start(Runtime& runtime)
{
    if (runtime.started)
        return S_OK;
    if (flite_init() != 0)
        return E_FAIL;
    for (FliteVoice& v : runtime.voices) {
        v.voice = v.registerVoice(nullptr);
        if (!v.voice)
            continue;
        // The voice owns the streaming record from here on; each call sets its own target.
        cst_audio_streaming_info* info = new_audio_streaming_info();
        info->asc = &OnChunk;
        info->userdata = nullptr;
        feat_set(v.voice->features, "streaming_info", audio_streaming_info_val(info));
    }
    runtime.started = true;
    return S_OK;
}

const FliteVoice* FindVoice(Runtime& runtime, const QByteArray& name)
{
    for (const FliteVoice& v : runtime.voices) {
        if (v.voice && name == v.name)
            return &v;
    }
    return nullptr;
}

// Passes sound on and notes whether the receiver asked to stop.
class Watching final : public SoundReceiver
{
public:
    explicit Watching(SoundReceiver& target)
        : m_target(target)
    {
    }

    bool Receive(std::span<const std::int16_t> samples, std::span<const SynthesisEvent> events) override
    {
        stopped = !m_target.Receive(samples, events);
        return !stopped;
    }

    bool stopped = false;

private:
    SoundReceiver& m_target;
};

// With the runtime's mutex held.
HRESULT Synthesise(const FliteVoice& found, const SpeechStep& step, SoundReceiver& receiver)
{
    cst_voice* voice = found.voice;
    const QByteArray text = step.spell ? SpelledText(step.text) : step.text.toUtf8();
    auto* info = val_audio_streaming_info(feat_val(voice->features, "streaming_info"));
    Call call;
    call.receiver = &receiver;
    call.gain = found.gain;
    const bool letter = step.spell && step.text.toUcs4().size() == 1;
    if (letter)
        call.keptTrailing = kKeptAfterLetter;
    info->userdata = &call;
    // Flite's own tempo control: a longer duration for every segment, so the pitch and the
    // voice's timbre stay as they are.
    const float stretch = get_param_float(voice->features, "duration_stretch", 1.0f);
    const float pace = (letter ? kSpelledLetterPace : 1.0f) * 100.0f / static_cast<float>(step.ratePercent);
    if (pace != 1.0f)
        feat_set_float(voice->features, "duration_stretch", stretch * pace);
    // Flite's voices mix random noise into their excitation from the C library's generator:
    // start it alike every time, so a word always sounds (and trims) the same and files are
    // reproducible.
    std::srand(kNoiseSeed);
    const Wave wave(flite_text_to_wave(text.constData(), voice));
    if (pace != 1.0f)
        feat_set_float(voice->features, "duration_stretch", stretch);
    info->userdata = nullptr;
    if (!wave && !call.stopped)
        return SPERR_TTS_ENGINE_EXCEPTION;
    call.Finish();
    return S_OK;
}

} // namespace

HRESULT FliteSynthesiser::Create(std::shared_ptr<FliteSynthesiser>& synthesiser)
{
    synthesiser.reset();
    Runtime& runtime = TheRuntime();
    std::lock_guard lock(runtime.mutex);
    if (const HRESULT hr = Start(runtime); Failed(hr))
        return hr;
    synthesiser.reset(new FliteSynthesiser());
    return S_OK;
}

FliteSynthesiser::~FliteSynthesiser() = default;

std::uint32_t FliteSynthesiser::SampleRate() const
{
    return kRate;
}

bool FliteSynthesiser::IsFliteVoice(const QByteArray& voice)
{
    return voice.startsWith("flite/");
}

HRESULT FliteSynthesiser::Speak(const SpeechStep& step, SoundReceiver& receiver)
{
    Runtime& runtime = TheRuntime();
    std::lock_guard lock(runtime.mutex);
    const FliteVoice* found = FindVoice(runtime, step.voice);
    if (!found)
        return SPERR_NOT_FOUND;
    const auto synthesise = [found](const SpeechStep& piece, SoundReceiver& target) {
        return Synthesise(*found, piece, target);
    };
    const QList<uint> letters = step.spell ? step.text.toUcs4() : QList<uint>();
    if (letters.size() <= 1)
        return SpeakThroughCache(runtime.cache, step, receiver, synthesise);
    // A spelled word letter by letter: each letter's sound is made once per voice.
    Watching watching(receiver);
    for (const char32_t c : letters) {
        SpeechStep letter = step;
        letter.text = QString::fromUcs4(&c, 1);
        letter.pauseAfterMs = 0;
        if (const HRESULT hr = SpeakThroughCache(runtime.cache, letter, watching, synthesise); Failed(hr))
            return hr;
        if (watching.stopped)
            break;
    }
    return S_OK;
}

SoundCache::Counts FliteSynthesiser::CacheCounts()
{
    return TheRuntime().cache.GetCounts();
}

void FliteSynthesiser::ClearCache()
{
    TheRuntime().cache.Clear();
}

HRESULT FliteSynthesiser::Phones(const SpeechStep& step, QString& phones)
{
    phones.clear();
    Runtime& runtime = TheRuntime();
    std::lock_guard lock(runtime.mutex);
    const FliteVoice* found = FindVoice(runtime, step.voice);
    if (!found)
        return SPERR_NOT_FOUND;
    const QByteArray text = step.spell ? SpelledText(step.text) : step.text.toUtf8();
    const Utterance utterance(flite_synth_text(text.constData(), found->voice));
    if (!utterance)
        return SPERR_TTS_ENGINE_EXCEPTION;
    QStringList names;
    for (const cst_item* item = relation_head(utt_relation(utterance.get(), "Segment")); item;
         item = item_next(item))
        names << QString::fromUtf8(item_name(item));
    phones = names.join(u' ');
    return S_OK;
}

std::vector<SynthesiserVoice> FliteSynthesiser::Voices() const
{
    Runtime& runtime = TheRuntime();
    std::lock_guard lock(runtime.mutex);
    std::vector<SynthesiserVoice> result;
    for (const FliteVoice& v : runtime.voices) {
        if (v.voice)
            result.push_back({QByteArray(v.name), QByteArray(v.name), QByteArray(v.language)});
    }
    return result;
}

} // namespace speech

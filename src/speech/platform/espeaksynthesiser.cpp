#include "speech/platform/espeaksynthesiser.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include <espeak-ng/speak_lib.h>

#include <QFileInfo>
#include <QList>

#include "base/cfree.h"
#include "speech/platform/forkedsynthesis.h"
#include "speech/platform/soundcache.h"

namespace speech {
namespace {

// The library rounds this up to about 49 ms of sound per callback. That is no delay for the
// first sound: synthesis runs some fifty times faster than speech, so the first piece arrives
// within a fraction of a millisecond and a stop request is seen as quickly.
constexpr int kBufferMs = 20;
// Recurring pieces: some 2 minutes of sound at the library's 22.05 kHz.
constexpr std::size_t kCacheBytes = 6 << 20;

struct Call
{
    SoundReceiver* receiver = nullptr;
    std::vector<SynthesisEvent> events;
};

struct IsolatedVoice
{
    std::unique_ptr<ForkedSynthesis> pieces;  // pieces for the cache, phoneme traces
    std::unique_ptr<ForkedSynthesis> texts;   // the other steps, a child per text
};

struct Runtime
{
    std::mutex mutex;  // every call into the library
    int starts = 0;
    int sampleRate = 0;
    QByteArray voice;     // the voice the library has loaded
    int ratePercent = 100;  // the rate it speaks at
    Call* call = nullptr; // where the callback sends sound; set while espeak_Synth runs
    EspeakSynthesiser::Isolation isolation = EspeakSynthesiser::Isolation::None;
    // In isolation, by voice: each copy keeps its one voice loaded, so no child loads one
    // (Mandarin's dictionary is 1.6 MB; a child would copy every page of it it writes).
    std::map<QByteArray, IsolatedVoice> isolatedVoices;
    SoundCache cache{kCacheBytes};
};

Runtime& TheRuntime()
{
    static Runtime runtime;
    return runtime;
}

int OnSound(short* samples, int count, espeak_EVENT* events)
{
    // Runs inside espeak_Synth, so the runtime's mutex is held by the caller.
    Call* call = TheRuntime().call;
    if (!call)
        return 0;
    call->events.clear();
    for (const espeak_EVENT* e = events; e && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
        switch (e->type) {
        case espeakEVENT_WORD:
            call->events.push_back(SynthesisEvent::Word);
            break;
        case espeakEVENT_SENTENCE:
            call->events.push_back(SynthesisEvent::Sentence);
            break;
        case espeakEVENT_PHONEME:
            call->events.push_back(SynthesisEvent::Phoneme);
            break;
        default:
            break;
        }
    }
    const std::span<const std::int16_t> sound(samples, samples ? static_cast<std::size_t>(count) : 0);
    if (sound.empty() && call->events.empty())
        return 0;
    return call->receiver->Receive(sound, call->events) ? 0 : 1;  // 1 stops the synthesis
}

// Characters by number, so no text can break the markup.
QByteArray SpelledSsml(const QString& text)
{
    QByteArray ssml = QByteArrayLiteral("<say-as interpret-as=\"characters\">");
    for (const char32_t c : text.toUcs4())
        ssml += "&#" + QByteArray::number(static_cast<quint32>(c)) + ';';
    ssml += QByteArrayLiteral("</say-as>");
    return ssml;
}

class NoSound final : public SoundReceiver
{
public:
    bool Receive(std::span<const std::int16_t>, std::span<const SynthesisEvent>) override
    {
        return true;
    }
};

// espeak-ng lists its MBROLA voices whether or not their diphone data is installed; they only
// speak with it. "mb/mb-en1" and "mb/mb-af1-en" need the data "en1" and "af1" where espeak-ng
// looks for it.
bool HasMbrolaData(const QByteArray& identifier)
{
    const QString name = QString::fromUtf8(identifier.sliced(identifier.lastIndexOf('/') + 1))
                             .section(u'-', 1, 1);
    const QString root = QStringLiteral("/usr/share/mbrola/");
    return !name.isEmpty()
        && (QFileInfo(root + name + u'/' + name).isFile() || QFileInfo(root + name).isFile()
            || QFileInfo(root + QStringLiteral("voices/") + name).isFile());
}

void CloseFile(std::FILE* file)
{
    std::fclose(file);
}

void FreeMemory(void* memory)
{
    std::free(memory);
}

// With the runtime's mutex held.
HRESULT SelectVoice(Runtime& runtime, const QByteArray& voice)
{
    if (runtime.voice == voice)
        return S_OK;
    runtime.voice.clear();
    if (espeak_SetVoiceByName(voice.constData()) != EE_OK)
        return SPERR_NOT_FOUND;
    runtime.voice = voice;
    runtime.ratePercent = -1;  // a voice may come with a rate of its own
    return S_OK;
}

// With the runtime's mutex held.
void SelectRate(Runtime& runtime, int percent)
{
    if (runtime.ratePercent == percent)
        return;
    espeak_SetParameter(espeakRATE, espeakRATE_NORMAL * percent / 100, 0);
    runtime.ratePercent = percent;
}

// One espeak_Synth, with its phoneme trace in `trace` when not null. Runs in this process or in
// a forked child: no Qt, nothing but the calling thread.
HRESULT SynthesiseText(Runtime& runtime, const std::string& text, unsigned flags, int ratePercent,
                       SoundReceiver& receiver, std::string* trace)
{
    SelectRate(runtime, ratePercent);
    char* buffer = nullptr;
    std::size_t size = 0;
    std::unique_ptr<std::FILE, CFree<&CloseFile>> stream(trace ? open_memstream(&buffer, &size) : nullptr);
    if (trace && !stream)
        return E_OUTOFMEMORY;
    if (stream)
        espeak_SetPhonemeTrace(1, stream.get());
    Call call{&receiver, {}};
    runtime.call = &call;
    const espeak_ERROR error = espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, flags, nullptr, nullptr);
    runtime.call = nullptr;
    if (stream) {
        espeak_SetPhonemeTrace(0, nullptr);
        stream.reset();  // closing the stream settles buffer and size
        const std::unique_ptr<char, CFree<&FreeMemory>> kept(buffer);
        trace->assign(buffer ? buffer : "", size);
    }
    return error == EE_OK ? S_OK : SPERR_TTS_ENGINE_EXCEPTION;
}

// A synthesis for the forked copy: "voice\nflags\nrate\ntrace\ntext".
struct Request
{
    std::string voice;
    unsigned flags = 0;
    int ratePercent = kUsualRatePercent;
    bool trace = false;
    std::string text;

    std::string Encode() const
    {
        return voice + '\n' + std::to_string(flags) + '\n' + std::to_string(ratePercent) + '\n' + (trace ? '1' : '0')
            + '\n' + text;
    }

    static Request Decode(const std::string& request)
    {
        const std::size_t afterVoice = request.find('\n');
        const std::size_t afterFlags = request.find('\n', afterVoice + 1);
        const std::size_t afterRate = request.find('\n', afterFlags + 1);
        if (afterVoice == std::string::npos || afterFlags == std::string::npos || afterRate == std::string::npos
            || afterRate + 3 > request.size())
            return {};
        return {request.substr(0, afterVoice), unsigned(std::stoul(request.substr(afterVoice + 1))),
                std::stoi(request.substr(afterFlags + 1)), request[afterRate + 1] == '1', request.substr(afterRate + 3)};
    }
};

// In isolation each copy loads its voice once, before its first child: loading one rebuilds the
// voice and its dictionary and leaves the wave generator alone, so each child starts from a
// state that depends on its voice only.
std::unique_ptr<ForkedSynthesis> IsolatedSynthesis(ForkedSynthesis::Children children)
{
    return std::make_unique<ForkedSynthesis>(
        [](const std::string& request) {
            return SelectVoice(TheRuntime(), QByteArray::fromStdString(Request::Decode(request).voice));
        },
        [](const std::string& request, SoundReceiver& receiver, std::string& text) {
            const Request r = Request::Decode(request);
            return SynthesiseText(TheRuntime(), r.text, r.flags, r.ratePercent, receiver, r.trace ? &text : nullptr);
        },
        children);
}

// With the runtime's mutex held.
HRESULT Synthesise(Runtime& runtime, const SpeechStep& step, SoundReceiver& receiver,
                   std::string* trace = nullptr)
{
    const QByteArray text = step.spell ? SpelledSsml(step.text) : step.text.toUtf8();
    // [[…]] holds phonemes: a pronunciation list's fix for a word. The composer keeps word
    // lists from writing it.
    const unsigned flags = espeakCHARS_UTF8 | (step.spell ? espeakSSML : espeakPHONEMES);
    if (runtime.isolation == EspeakSynthesiser::Isolation::Texts) {
        // A piece for the cache starts afresh, so it sounds the same whenever it is made.
        const bool piece = trace || SoundCache::Recurs(step);
        IsolatedVoice& voice = runtime.isolatedVoices[step.voice];
        std::unique_ptr<ForkedSynthesis>& forked = piece ? voice.pieces : voice.texts;
        if (!forked)
            forked = IsolatedSynthesis(piece ? ForkedSynthesis::Children::PerRequest
                                             : ForkedSynthesis::Children::PerText);
        const Request request{step.voice.toStdString(), flags, step.ratePercent, trace != nullptr, text.toStdString()};
        return forked->Run(request.Encode(), receiver, trace);
    }
    if (const HRESULT hr = SelectVoice(runtime, step.voice); Failed(hr))
        return hr;
    return SynthesiseText(runtime, text.toStdString(), flags, step.ratePercent, receiver, trace);
}

} // namespace

HRESULT EspeakSynthesiser::Create(std::shared_ptr<EspeakSynthesiser>& synthesiser)
{
    synthesiser.reset();
    Runtime& runtime = TheRuntime();
    std::lock_guard lock(runtime.mutex);
    if (runtime.sampleRate <= 0) {
        // DONT_EXIT: without it the library ends the process when its data is missing.
        const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kBufferMs, nullptr,
                                           espeakINITIALIZE_PHONEME_EVENTS
                                               | espeakINITIALIZE_DONT_EXIT);
        if (rate <= 0)
            return E_FAIL;
        espeak_SetSynthCallback(&OnSound);
        runtime.sampleRate = rate;
    }
    ++runtime.starts;
    synthesiser.reset(new EspeakSynthesiser(static_cast<std::uint32_t>(runtime.sampleRate)));
    return S_OK;
}

EspeakSynthesiser::EspeakSynthesiser(std::uint32_t sampleRate)
    : m_sampleRate(sampleRate)
{
}

EspeakSynthesiser::~EspeakSynthesiser()
{
    // The library stays loaded when the count reaches zero: in espeak-ng 1.51 an
    // espeak_Terminate after a second espeak_Initialize never returns.
    Runtime& runtime = TheRuntime();
    std::lock_guard lock(runtime.mutex);
    --runtime.starts;
}

int EspeakSynthesiser::StartCount()
{
    Runtime& runtime = TheRuntime();
    std::lock_guard lock(runtime.mutex);
    return runtime.starts;
}

HRESULT EspeakSynthesiser::Speak(const SpeechStep& step, SoundReceiver& receiver)
{
    Runtime& runtime = TheRuntime();
    std::lock_guard lock(runtime.mutex);
    return SpeakThroughCache(runtime.cache, step, receiver,
                             [&runtime](const SpeechStep& piece, SoundReceiver& target) {
                                 return Synthesise(runtime, piece, target);
                             });
}

void EspeakSynthesiser::EndOfText()
{
    Runtime& runtime = TheRuntime();
    std::lock_guard lock(runtime.mutex);
    for (auto& [name, voice] : runtime.isolatedVoices) {
        if (voice.texts)
            voice.texts->EndText();
    }
}

SoundCache::Counts EspeakSynthesiser::CacheCounts()
{
    return TheRuntime().cache.GetCounts();
}

void EspeakSynthesiser::ClearCache()
{
    TheRuntime().cache.Clear();
}

HRESULT EspeakSynthesiser::Phonemes(const SpeechStep& step, QString& phonemes)
{
    Runtime& runtime = TheRuntime();
    std::lock_guard lock(runtime.mutex);
    NoSound silence;
    std::string trace;
    const HRESULT hr = Synthesise(runtime, step, silence, &trace);
    phonemes = QString::fromStdString(trace).trimmed();
    return hr;
}

void EspeakSynthesiser::SetIsolation(Isolation isolation)
{
    Runtime& runtime = TheRuntime();
    std::lock_guard lock(runtime.mutex);
    runtime.isolation = isolation;
    // Pieces made before could not be made again alike: a child starts from the state after them,
    // and a piece made later in this process from the state the texts before it left.
    if (isolation == Isolation::Texts)
        runtime.cache.Pin();
    runtime.cache.Freeze(isolation == Isolation::Pieces);
    if (isolation != Isolation::Texts)
        runtime.isolatedVoices.clear();
}

std::vector<SynthesiserVoice> EspeakSynthesiser::Voices() const
{
    Runtime& runtime = TheRuntime();
    std::lock_guard lock(runtime.mutex);
    std::vector<SynthesiserVoice> result;
    for (const espeak_VOICE** v = espeak_ListVoices(nullptr); v && *v; ++v) {
        const QByteArray identifier((*v)->identifier);
        if (identifier.startsWith("mb/") && !HasMbrolaData(identifier))
            continue;
        // languages: a priority byte, then a language name, repeated; the first one is its own.
        const char* languages = (*v)->languages;
        result.push_back({QByteArray((*v)->name), identifier,
                          QByteArray(languages && *languages ? languages + 1 : "")});
    }
    return result;
}

} // namespace speech

#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <QByteArray>
#include <QString>

#include "speech/platform/result.h"
#include "speech/platform/speakingrate.h"

namespace speech {

/// The writing system of a character as far as choosing a voice goes.
enum class Script {
    Neutral,  // spaces, punctuation (ASCII, CJK, full-width), digits, symbols: read by either voice
    Han,      // Chinese characters
    Latin,    // every other letter
};

/// One call of a synthesiser: a text in one voice, and the silence a reader leaves after it.
struct SpeechStep
{
    QByteArray voice;      // the synthesiser's name for the voice
    QString text;
    bool spell = false;    // say each character's name ("a" as "ay", not as the article)
    int pauseAfterMs = 0;  // silence appended after the sound of `text`
    int ratePercent = 100; // the tempo, through the engine's own control
    Script script = Script::Latin;  // what `text` is written in: Han for Chinese

    bool operator==(const SpeechStep&) const = default;
};

/// Something that happened in the piece of sound it comes with: a word, sentence or phoneme began.
enum class SynthesisEvent {
    Word,
    Sentence,
    Phoneme,
};

/// Takes the sound of a step piece by piece.
class SoundReceiver
{
public:
    /// `samples` are mono, 16-bit, at the synthesiser's rate for the step's voice. Returning false
    /// stops the step.
    virtual bool Receive(std::span<const std::int16_t> samples,
                         std::span<const SynthesisEvent> events) = 0;

protected:
    ~SoundReceiver() = default;
};

/// A voice a synthesiser offers of its own.
struct SynthesiserVoice
{
    QByteArray name;        // "English_(America)"
    QByteArray identifier;  // what SpeechStep::voice takes: "gmw/en-US"
    QByteArray language;    // the first language it speaks: "en-us"
    QString english{};      // its description for a voice list, where the synthesiser gives one
    QString chinese{};
    QString vendor{};
};

/// Turns text into sound. Implementations serialise their own use: several voices may share one.
class Synthesiser
{
public:
    virtual ~Synthesiser();

    virtual std::uint32_t SampleRate() const = 0;
    /// The rate of the sound Speak gives for a step in `voice`: SampleRate() unless the
    /// synthesiser mixes engines of different rates.
    virtual std::uint32_t SampleRateOf(const QByteArray& voice) const;
    /// Speaks `step.text` (not the pause) into `receiver`, at SampleRateOf(step.voice). S_OK also
    /// when the receiver stopped it.
    virtual HRESULT Speak(const SpeechStep& step, SoundReceiver& receiver) = 0;
    /// The steps of one text are spoken (or it was given up): what was kept for them may go.
    /// Nothing by default.
    virtual void EndOfText();
    /// The voices to list as tokens; none by default.
    virtual std::vector<SynthesiserVoice> Voices() const;

protected:
    Synthesiser() = default;
    Synthesiser(const Synthesiser&) = delete;
    Synthesiser& operator=(const Synthesiser&) = delete;
};

} // namespace speech

#pragma once

#include <vector>

#include <QByteArray>
#include <QString>

#include "speech/platform/synthesiser.h"

namespace speech {

class ObjectToken;

Script ScriptOf(char32_t c);

/// A stretch of text in one script. Neutral characters belong to the run before them; those
/// at the very start belong to the first run. A text without letters is one Neutral run. A
/// word marked with its reading (readingmark.h) is Han, marks and pinyin included.
struct ScriptRun
{
    Script script = Script::Neutral;
    QString text;

    bool operator==(const ScriptRun&) const = default;
};

std::vector<ScriptRun> SplitByScript(const QString& text);

/// Whether espeak-ng's voice `voice` ("cmn-latn-pinyin", "sit/cmn-Latn-pinyin") reads
/// tone-numbered pinyin as Mandarin ("yin2 hang2").
bool ReadsPinyin(const QByteArray& voice);

/// Which synthesiser voice reads which script. A plain voice reads both.
struct VoiceChoice
{
    QByteArray han;
    QByteArray latin;

    /// From a voice token's values "HanVoice" and "LatinVoice", or "Voice" for both; without a
    /// token, the program's default: Mandarin and US English. `chinese`, when not empty, reads
    /// the Han runs of a bilingual voice in place of eSpeak NG's Mandarin; a voice that reads
    /// Chinese with a voice of its own, or reads both scripts alike, keeps it.
    static VoiceChoice Of(const ObjectToken* token, const QByteArray& chinese = {});
    /// This choice with `chinese` reading its Han runs, as Of says.
    VoiceChoice WithChinese(const QByteArray& chinese) const;
};

/// The synthesiser calls for `text`: Han runs in `voices.han`, the others in `voices.latin`.
/// Single characters each followed by an ideographic space (U+3000) in a Latin run are a
/// spelled word and become one step that says their names. A step ending in ";", ":", "," or
/// a full stop (ASCII or full-width) gets the pause a reader would make there, since a
/// synthesiser makes none at the end of its text; pieces that hold only punctuation or spaces
/// add their pause to the step before them and are not spoken. A pause mark (PauseMark) ends a
/// step and sets the pause after it, in place of the punctuation's. The last step has no pause.
/// Han steps are marked Script::Han, the others Script::Latin. A Han step gives each word marked
/// with its reading as the pinyin when `voices.han` reads pinyin, else as the word.
std::vector<SpeechStep> PlanSpeech(const QString& text, const VoiceChoice& voices);

} // namespace speech

#include "speech/synthesiscalls.h"

#include "speech/platform/speechplan.h"

std::vector<SynthesisCall> SynthesisCalls(const QString& text, const speech::ObjectToken* token)
{
    std::vector<SynthesisCall> calls;
    for (const speech::SpeechStep& step : speech::PlanSpeech(text, speech::VoiceChoice::Of(token)))
        calls.push_back({step.voice, step.text, step.spell});
    return calls;
}

#include "speech/synthesiscalls.h"

#include "speech/platform/enginedescription.h"
#include "speech/platform/enginesynthesiser.h"
#include "speech/platform/speechplan.h"

namespace {

// The engines as a run's workers would find them, read once: only their commands are asked for.
const speech::EngineSynthesiser& Engines()
{
    static const speech::EngineSynthesiser engines = [] {
        std::vector<speech::EngineProblem> problems;
        return speech::EngineSynthesiser(speech::FindInstalledEngines(speech::EngineDescriptionFolders(), problems));
    }();
    return engines;
}

} // namespace

QString RateNotice(const speech::ObjectToken* token, int latinRate, bool chinese)
{
    return Engines().RateNotice(speech::VoiceChoice::Of(token).latin, latinRate, chinese);
}

std::vector<SynthesisCall> SynthesisCalls(const QString& text, const speech::ObjectToken* token, int latinRate,
                                          int hanRate, const QByteArray& chinese)
{
    std::vector<SynthesisCall> calls;
    for (speech::SpeechStep& step : speech::PlanSpeech(text, speech::VoiceChoice::Of(token, chinese))) {
        SynthesisCall call{step.voice, step.text, step.spell, {}};
        if (speech::EngineSynthesiser::IsEngineVoice(step.voice)) {
            step.ratePercent = step.script == speech::Script::Han ? hanRate : latinRate;
            call.command = Engines().CommandLine(step);
        }
        calls.push_back(std::move(call));
    }
    return calls;
}

#include "output/soundoptions.h"

QString SoundOptions::PronunciationsPath() const
{
    return pronunciations.isEmpty() ? DefaultPronunciationsPath() : pronunciations;
}

void SoundOptions::ApplyTo(speech::FileEncoding& encoding) const
{
    encoding.leadMs = leadMs;
    encoding.trailMs = trailMs;
    encoding.loudnessLufs = loudnessLufs;
}

WordSpeech SoundOptions::Speech(SpeechOptions options, std::shared_ptr<const PronunciationList> list,
                                bool phonemesReadable) const
{
    WordSpeech speech(options);
    speech.repeat = repeat;
    speech.pauseMs = pauseMs;
    speech.pronunciations = std::move(list);
    speech.phonemesReadable = phonemesReadable;
    speech.chineseWords = ChineseWords::Shipped();
    return speech;
}

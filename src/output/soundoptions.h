#pragma once

#include <optional>

#include <QString>

#include "speech/fileencoding.h"
#include "speech/speakingrate.h"
#include "speech/wordspeech.h"

/// How the words of a batch sound beyond voice and format: repeats, pauses, silence at the
/// ends, loudness, speaking rates, the pronunciation list and the Chinese voice, as the window's 选项… dialog and
/// lexovox-batch's options hold them. The defaults are the program's: previews and files as
/// spoken, with 0.1 s of silence before a file, 0.3 s after it, and every file at -18 LUFS.
struct SoundOptions
{
    static constexpr int kDefaultLeadMs = 100;
    static constexpr int kDefaultTrailMs = 300;
    static constexpr double kDefaultLoudnessLufs = -18;

    int repeat = 1;
    std::optional<int> pauseMs;  // none: each part's usual pause
    int leadMs = kDefaultLeadMs;
    int trailMs = kDefaultTrailMs;
    std::optional<double> loudnessLufs = kDefaultLoudnessLufs;
    int englishRate = 100;
    int chineseRate = 100;
    QString pronunciations;  // the list's path; empty: DefaultPronunciationsPath()
    QString chineseVoice;    // the token id of the voice that says a bilingual voice's Chinese; empty: eSpeak NG's Mandarin

    QString PronunciationsPath() const;
    /// The silence and loudness of files, put into `encoding`.
    void ApplyTo(speech::FileEncoding& encoding) const;
    /// What is said for a word with the three `options`, `list`, a voice that does or does
    /// not read phonemes, and the shipped readings of Chinese words.
    WordSpeech Speech(SpeechOptions options, std::shared_ptr<const PronunciationList> list,
                      bool phonemesReadable) const;

    bool operator==(const SoundOptions&) const = default;
};

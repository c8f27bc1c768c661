#pragma once

#include <vector>

#include <QString>

#include "speech/voicecatalogue.h"

struct BatchJob;
struct BatchWord;
struct LessonWord;

/// What `lexovox-batch --dry-run` prints for the planned `words` of `job` spoken by `voice`
/// (null: the default voice), one word after another:
///
///     apple.wav<TAB>apple
///     <TAB>flite/rms<TAB>say<TAB>apple;
///     <TAB>cmn-latn-pinyin<TAB>say<TAB>ping2 guo3 ;
///
/// the file's name in the run's folder and the headword, then each call a synthesiser would
/// receive: its voice, "say" or "spell", and the text as sent (Chinese words as their pinyin
/// where the voice reads it), and for a voice of an engine outside the process the program and
/// arguments it would run ("text2wave -o {out} …", the text where it goes). A word that would get no file has "-" for a name and the reason
/// as a third field; one --skip-existing would leave alone has "skipped: the file exists".
/// Neither has calls. The words of a lesson follow, each under the track's name and its
/// number ("五 听写.mp3<TAB>1. apple"), then the sheets the lesson writes. Looks at the folder
/// only to tell which files exist. `chinese` is the synthesiser voice of the job's Chinese voice
/// (empty: eSpeak NG's Mandarin).
QString RunListing(const BatchJob& job, const std::vector<BatchWord>& words, const std::vector<LessonWord>& lesson,
                   const speech::TokenPtr& voice, const QByteArray& chinese = {});

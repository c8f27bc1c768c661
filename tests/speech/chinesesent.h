#pragma once

#include <memory>
#include <string>

#include <QByteArray>
#include <QString>

#include "speech/chinesewords.h"
#include "speech/platform/speechplan.h"
#include "speech/wordspeech.h"

/// The readings the program ships, as they are in the source tree, read once.
std::shared_ptr<const ChineseWords> ShippedReadings();

/// Speech of the meaning alone with the shipped readings and the pronunciation list `list`.
WordSpeech MeaningSpeech(const QByteArray& list = {});

/// What the Mandarin voice is given for headword `en` with meaning `ch`, step by step: "a | b".
std::string ChineseSent(const WordSpeech& speech, const QString& en, const QString& ch,
                        const speech::VoiceChoice& voices = {"cmn-latn-pinyin", "flite/rms"});

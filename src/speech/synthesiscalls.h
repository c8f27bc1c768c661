#pragma once

#include <vector>

#include <QByteArray>
#include <QString>

namespace speech {
class ObjectToken;
}

/// One call a synthesiser receives for a text: the voice, the text, whether it is spelled.
struct SynthesisCall
{
    QByteArray voice;  // the synthesiser's name for it: "flite/rms", "cmn-latn-pinyin"
    QString text;      // as the synthesiser receives it: Chinese words as their pinyin where read so
    bool spelled = false;
    QString command;   // for a voice of an engine outside the process, the program run, as typed

    bool operator==(const SynthesisCall&) const = default;
};

/// The calls the voice of `token` (null: the program's default choice) makes to speak `text`,
/// in order, as the voice plans them; without the pauses between them. `latinRate` and `hanRate`
/// are the English and Chinese runs' speaking rates in percent, which an engine's command
/// carries; `chinese` the synthesiser voice that says a bilingual voice's Chinese, if not its own.
std::vector<SynthesisCall> SynthesisCalls(const QString& text, const speech::ObjectToken* token, int latinRate = 100,
                                          int hanRate = 100, const QByteArray& chinese = {});

/// What a run says once before its words when the English of `token`'s voice is an engine's
/// without a rate control and `latinRate` is not 100: that engine's notice; else empty. (The
/// speech processes say it too, where their standard error is seen.)
QString RateNotice(const speech::ObjectToken* token, int latinRate, bool chinese = false);

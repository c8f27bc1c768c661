#pragma once

#include <optional>
#include <span>
#include <variant>

#include <QJsonObject>
#include <QLatin1StringView>
#include <QString>

#include "base/comerror.h"
#include "output/lessonoptions.h"
#include "speech/fileencoding.h"

struct BatchJob;

/// Where an option's value lives in a job. An optional that is empty means "the usual" (the
/// parts' own pause, card-safe names by file type, a worker per core) or "off" (loudness).
using JobOptionField = std::variant<bool*, int*, double*, QString*, std::optional<bool>*, std::optional<int>*,
                                    std::optional<double>*, speech::OutputFileType*, LessonOptions::Sheet*>;

/// One option of a run, named once for every place that spells it: the job's JSON (the
/// workers'), the window's settings and lexovox-batch's command line all read this table. Its
/// default is what a job holds before anything is chosen (BatchJob's own initialisers).
struct JobOption
{
    QLatin1StringView json = {};       // "sound.repeat": member "repeat" of the job's "sound" object
    QLatin1StringView setting = {};    // "sound/repeat"; empty: the window keeps no such choice
    QLatin1StringView flag = {};       // "repeat" for --repeat; empty: not on the command line
    QLatin1StringView offFlag = {};    // "no-loudness": sets a switch false, or an optional empty
    QLatin1StringView needs = {};      // a switch without which the flag means nothing ("lesson")
    QLatin1StringView valueName = {};  // "N" in --help; empty for a switch
    const char* help = "";             // --help's text (UTF-8); %1, %2 the range, %3 the default
    const char* offHelp = "";          // --help's text of offFlag
    double low = 0;                    // the range, both ends allowed, when low < high
    double high = 0;
    std::span<const QLatin1StringView> names = {};  // a choice's names, in its enum's order
    /// Why Validate refuses a value outside the range; 0: it does not (an MP3's bit rate is
    /// checked against what its format carries, and no other type has one).
    HRESULT outOfRange = 0;
    /// For an optional that is on by default: the window's key that keeps whether it is on.
    QLatin1StringView settingOn = {};
    JobOptionField (*field)(BatchJob& job) = nullptr;
    /// What the default means when it is no value to print ("each part's usual pause").
    QString (*usual)() = nullptr;

    bool HasRange() const { return low < high; }
    /// Its value in `job`.
    JobOptionField In(BatchJob& job) const { return field(job); }
    JobOptionField In(const BatchJob& job) const { return field(const_cast<BatchJob&>(job)); }
    /// "32–320": the range as messages give it.
    QString RangeText() const;
    /// --help's text, with the range and default put in.
    QString HelpText() const;
    /// The default as a text (what --help says).
    QString DefaultText() const;
};

/// Every option of a run but its words, folder, voice and format, which each front end finds
/// its own way.
std::span<const JobOption> JobOptions();
/// The option `flag` is the command-line name of, or nothing.
const JobOption* JobOptionByFlag(QStringView flag);

/// What an option's value is, one type for every option, for the places that move values
/// without knowing which option they hold: a switch, a number, a text or a choice's name.
/// Invalid for an empty optional.
QVariant JobOptionValue(const JobOption& option, const BatchJob& job);
/// Sets the option from `value` (as JobOptionValue gives it, or as a user typed it: "96",
/// "mp3", "true"); an invalid QVariant empties an optional. False when `value` is not of the
/// option's kind (not a number, an unknown name); the range is Validate's to check.
bool SetJobOptionValue(const JobOption& option, BatchJob& job, const QVariant& value);
/// Whether the option's value in `job` is within its range (or is one of its names).
bool JobOptionInRange(const JobOption& option, const BatchJob& job);

/// The options' members of a job's JSON document.
void JobOptionsToJson(const BatchJob& job, QJsonObject& json);
/// Reads them back; the name ("sound.repeat") of the first that is missing or of the wrong
/// type, or an unknown name of a choice.
std::optional<QString> JobOptionsFromJson(const QJsonObject& json, BatchJob& job);
/// The first option of `job` that Validate refuses for its range, or nothing.
const JobOption* JobOptionOutOfRange(const BatchJob& job);
/// That option's fault, as Validate says it: one message per fault.
Result<void> CheckJobOptionRanges(const BatchJob& job);

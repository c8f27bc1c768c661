#pragma once

#include <optional>
#include <vector>

#include <QJsonObject>
#include <QString>

#include "base/comerror.h"
#include "output/fileoptions.h"
#include "output/lessonoptions.h"
#include "output/soundoptions.h"
#include "speech/composeutterance.h"
#include "vocab/wordentry.h"

class OwnLists;
class WordStore;

/// Where the words of a run come from: what the window's tree or look-up boxes chose, or what
/// lexovox-batch was told. It names the run (the album of MP3 and Opus tags).
struct WordSource
{
    enum class Kind {
        Course,         // a course book, as the tree names it, or an own list by its name
        EnglishLookUp,  // words whose English contains the text
        ChineseLookUp,  // words whose Chinese contains the text
        WordsFile,      // a UTF-8 CSV with columns en,ch
    };

    Kind kind = Kind::Course;
    QString text;  // the course, the look-up text (spaces removed) or the file's path

    /// The album of the run's files: the course, "查询：TEXT" for a look-up, the CSV's name.
    QString Album() const;

    bool operator==(const WordSource&) const = default;
};

/// Everything a run needs, described once: the window and lexovox-batch each build one, and the
/// workers receive it whole. A new option is added here, not threaded through each layer.
struct BatchJob
{
    static constexpr int kMaxJobs = 64;

    WordSource source;
    std::vector<WordEntry> rows;  // the checked words, top to bottom
    QString folder;
    QString voiceId;              // the long id of a voice of ListVoices; empty: the default
    int formatCode = 18;          // a code of the format table; 18 is 16 kHz 16-bit mono
    SpeechOptions speech;         // 拼读, 汉意, 前缀
    OutputFileOptions files;      // type, bit rate, numbers, playlist, card-safe names
    SoundOptions sound;           // repeats, pauses, silence, loudness, rates, pronunciations
    LessonOptions lesson;         // a dictation lesson's track and sheets
    bool skipExisting = false;    // a word whose file exists is left alone
    std::optional<int> jobs;      // worker processes; none: one per core

    /// Whether the folder must be there: a dry run of the command line, which would make it,
    /// takes one that is not yet.
    enum class FolderRule { MustExist, MayBeMissing };

    /// Why this job cannot run, with the range or values allowed as the error's subject (for
    /// MP3, the bit rates the format takes); nothing when it can. The rows are not looked at: a
    /// run of no words says so. A folder that is missing and one that is not a folder are told
    /// apart (JobFolderMissing, JobNotAFolder). Called once where a job enters a process: from
    /// the window's controls, from lexovox-batch's command line, in the worker from its JSON.
    Result<void> Validate(FolderRule folderRule = FolderRule::MustExist) const;

    /// The encoding of each file: type and bit rate, silence at the ends and loudness.
    speech::FileEncoding Encoding() const;

    /// The job as one JSON document, and back (its options as JobOptions names them). FromJson
    /// refuses a document that is not a job (a missing or mistyped member, an unknown name of a
    /// choice) with the member's name; it does not validate the values.
    QJsonObject ToJson() const;
    static Result<BatchJob> FromJson(const QJsonObject& json);

    bool operator==(const BatchJob&) const = default;
};

/// The words `source` names, from `store` (courses, look-ups) or from its file, in order. A course
/// that is no book of the catalogue and that the vocabulary (when there is one) has no word of is
/// the own list of that name in `lists`, when given and open.
Result<std::vector<WordEntry>> ReadSourceRows(const WordSource& source, WordStore* store, OwnLists* lists = nullptr);

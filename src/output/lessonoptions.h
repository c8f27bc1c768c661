#pragma once

/// A dictation lesson (听写) made from the run's words: one track of every word in list order,
/// each after its number and followed by a pause to write, with a timed list of where each
/// word is; and sheets for the class and the teacher. Beside the words' own files, or instead.
struct LessonOptions
{
    static constexpr int kDefaultPauseMs = 5000;
    static constexpr int kMinPauseMs = 1000;
    static constexpr int kMaxPauseMs = 30000;

    /// The class's sheet: none, numbered blank lines, or the meanings to write the words for.
    enum class Sheet { None, Blank, Chinese };

    bool track = false;    // the lesson track and its LRC
    bool perWord = true;   // the words' own files as well
    int pauseMs = kDefaultPauseMs;  // the writing pause after each word
    Sheet sheet = Sheet::None;
    bool key = false;      // the teacher's key: number, word, meaning

    /// Whether anything of a lesson is made.
    bool Any() const { return track || sheet != Sheet::None || key; }

    bool operator==(const LessonOptions&) const = default;
};

#pragma once

#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace speech {

/// How a speech program outside the process is found, asked for its voices and run, as one
/// engine description file says (README, "More voices"). Read from the shipped folder and the
/// user's own, whose file of the same name takes its place.
struct EngineDescription
{
    QString file;        // the description's path, for messages
    QString id;          // the part of a voice's identifier: the file name without ".engine",
                         // or [engine] id, so two builds of one program give their voices one name
    QString title;       // shown in voice descriptions: "Piper"
    QString program;     // run without a shell; looked up on PATH when it has no "/"
    // Which build of the program this is: run with these arguments once it has voices, its
    // output (both streams) must hold `probeSays`, else the description does not apply.
    QStringList probeArguments;
    QString probeSays;

    // Voices: files matching a pattern (each "{name}" a voice), or a fixed list, or both: the
    // listed ones whose files are there.
    QString voiceFiles;  // "$XDG_DATA_HOME/lexovox/voices/{name}.onnx"
    QStringList voiceList;
    QString metadata;          // "{path}.json": a JSON file beside each voice file
    bool metadataIni = false;  // metadata-format = ini: "key=value" lines, "[section]" a prefix
    QString metadataLanguage;  // "language.code"
    QString metadataSampleRate;
    QString metadataQuality;
    QString language;          // "en", "zh" …; from the metadata when empty
    int sampleRate = 0;        // the rate of the sound the engine writes, when known

    // Speaking: one process per text, or one per voice taking JSON lines.
    QStringList arguments;     // placeholders: {voice} {path} {parent} {text} {textfile} {out} {rate}
    QStringList rateArguments; // what {rate} becomes; {stretch}, {percent} and {wpm} inside
    QStringList serveArguments;  // the long-lived process's, empty for none
    // The long-lived process's program when not `program`: "{interpreter}" is the one the
    // program's first line ("#!") names, for a package whose server is a module of its language.
    QString serveProgram;
    // A long-lived process that serves HTTP on 127.0.0.1:{port}: each text is posted to the first
    // of these paths it has, as JSON {"text": …} or (httpText) as plain text; the answer is the WAV.
    QStringList httpPaths;
    bool httpText = false;
    // A long-lived process that reads commands on its standard input: `serveStart` once, then
    // `serveRequest` a text, in which {text} and {out} stand as double-quoted strings (\ and "
    // escaped); for each it writes on its standard error a line holding `serveDone`, or
    // `serveFailed` when the text failed.
    QString serveStart;
    QString serveRate;  // what {rate} becomes in `serveStart`, left out at 100 %
    QString serveRequest;
    QString serveDone;
    QString serveFailed;
    int timeoutMs = 30000;     // per text
};

/// A line of a description that could not be read: "piper.engine:7: unknown key "rats"".
struct EngineProblem
{
    QString file;
    int line = 0;  // 0: the file as a whole
    QString message;

    QString Text() const;
};

/// Reads one description. False with `problem` set when a line is malformed or something
/// needed is missing; nothing of such a file is used.
bool ParseEngineDescription(const QByteArray& text, const QString& file, EngineDescription& description,
                            EngineProblem& problem);

/// Splits an argument list: words apart at blanks, double quotes keep blanks in one word (\" and
/// \\ inside them). False for an unclosed quote.
bool SplitArguments(const QString& text, QStringList& words);

/// The descriptions of `folders` in order, a later folder's file replacing an earlier one's of
/// the same name; malformed ones go to `problems` and are left out.
std::vector<EngineDescription> ReadEngineDescriptions(const QStringList& folders,
                                                      std::vector<EngineProblem>& problems);

/// Where descriptions are read from: share/lexovox/engines beside the programs (as installed and
/// in the build), then $XDG_CONFIG_HOME/lexovox/engines.
QStringList EngineDescriptionFolders();

} // namespace speech

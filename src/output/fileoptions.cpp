#include "output/fileoptions.h"

#include <QCommandLineParser>

namespace {

const QString kType = QStringLiteral("type");
const QString kBitrate = QStringLiteral("bitrate");
const QString kNumber = QStringLiteral("number");
const QString kPlaylist = QStringLiteral("playlist");
const QString kCardSafe = QStringLiteral("card-safe");
const QString kNoCardSafe = QStringLiteral("no-card-safe");
const QString kRepeatable = QStringLiteral("repeatable");

} // namespace

bool OutputFileOptions::IsCardSafe() const
{
    return cardSafe.value_or(encoding.type != speech::OutputFileType::Wav);
}

FileNaming OutputFileOptions::Naming() const
{
    return {speech::FileTypeExtension(encoding.type), numbered, IsCardSafe()};
}

void AddOutputFileOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        {kType, QStringLiteral("File type: wav, mp3 or opus (default wav)."), QStringLiteral("type")},
        {kBitrate, QStringLiteral("MP3 bit rate in kbps, one the format takes (default %1).").arg(speech::FileEncoding::kDefaultMp3Kbps),
         QStringLiteral("kbps")},
        {kNumber, QStringLiteral("Number the files in list order: \"001 apple.mp3\".")},
        {kPlaylist, QStringLiteral("Write a playlist, <folder name>.m3u8, in the folder.")},
        {kCardSafe, QStringLiteral("Names a FAT or exFAT card takes (default for mp3 and opus).")},
        {kNoCardSafe, QStringLiteral("Headwords as they are in the names (default for wav).")},
        {kRepeatable, QStringLiteral("Make a word's file the same, byte for byte, whatever was spoken before it (slower).")},
    });
}

Result<OutputFileOptions> ReadOutputFileOptions(const QCommandLineParser& parser)
{
    const auto fail = [](const QString& reason) { return Fail(ComError(ResultCode::CommandLineUsage, reason)); };
    OutputFileOptions options;
    if (parser.isSet(kType)) {
        const auto type = speech::FileTypeFromName(parser.value(kType));
        if (!type)
            return fail(QStringLiteral("unknown file type \"%1\": wav, mp3 or opus").arg(parser.value(kType)));
        options.encoding.type = *type;
    }
    if (parser.isSet(kBitrate)) {
        bool ok = false;
        const int kbps = parser.value(kBitrate).toInt(&ok);
        if (!ok || kbps < speech::FileEncoding::kMinMp3Kbps || kbps > speech::FileEncoding::kMaxMp3Kbps)
            return fail(QStringLiteral("bit rate \"%1\" is not 32 to 320 kbps").arg(parser.value(kBitrate)));
        options.encoding.mp3Kbps = kbps;
    }
    if (parser.isSet(kCardSafe) && parser.isSet(kNoCardSafe))
        return fail(QStringLiteral("--card-safe and --no-card-safe contradict each other"));
    if (parser.isSet(kCardSafe) || parser.isSet(kNoCardSafe))
        options.cardSafe = parser.isSet(kCardSafe);
    options.numbered = parser.isSet(kNumber);
    options.playlist = parser.isSet(kPlaylist);
    options.repeatable = parser.isSet(kRepeatable);
    return options;
}

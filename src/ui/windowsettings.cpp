#include "ui/windowsettings.h"

#include <algorithm>

#include "ui/programsettings.h"

using speech::OutputFileType;

WindowSettings LoadWindowSettings()
{
    const std::unique_ptr<QSettings> store = ProgramSettings();
    WindowSettings s;
    s.folder = store->value(u"window/folder"_qs).toString();
    s.voiceId = store->value(u"window/voice"_qs).toString();
    s.formatCode = store->value(u"window/format"_qs, -1).toInt();
    s.spellOut = store->value(u"window/spellOut"_qs, false).toBool();
    s.chineseMeaning = store->value(u"window/chineseMeaning"_qs, false).toBool();
    s.prefix = store->value(u"window/prefix"_qs, false).toBool();
    s.skipExisting = store->value(u"window/skipExisting"_qs, false).toBool();
    s.files.encoding.type =
        speech::FileTypeFromName(store->value(u"files/type"_qs).toString()).value_or(OutputFileType::Wav);
    s.files.encoding.mp3Kbps = std::clamp(store->value(u"files/bitrate"_qs, speech::FileEncoding::kDefaultMp3Kbps).toInt(),
                                          speech::FileEncoding::kMinMp3Kbps, speech::FileEncoding::kMaxMp3Kbps);
    s.files.numbered = store->value(u"files/numbered"_qs, false).toBool();
    s.files.playlist = store->value(u"files/playlist"_qs, false).toBool();
    if (const QVariant cardSafe = store->value(u"files/cardSafe"_qs); cardSafe.isValid())
        s.files.cardSafe = cardSafe.toBool();
    return s;
}

void SaveWindowSettings(const WindowSettings& s)
{
    const std::unique_ptr<QSettings> store = ProgramSettings();
    store->setValue(u"window/folder"_qs, s.folder);
    store->setValue(u"window/voice"_qs, s.voiceId);
    store->setValue(u"window/format"_qs, s.formatCode);
    store->setValue(u"window/spellOut"_qs, s.spellOut);
    store->setValue(u"window/chineseMeaning"_qs, s.chineseMeaning);
    store->setValue(u"window/prefix"_qs, s.prefix);
    store->setValue(u"window/skipExisting"_qs, s.skipExisting);
    store->setValue(u"files/type"_qs, speech::FileTypeExtension(s.files.encoding.type));
    store->setValue(u"files/bitrate"_qs, s.files.encoding.mp3Kbps);
    store->setValue(u"files/numbered"_qs, s.files.numbered);
    store->setValue(u"files/playlist"_qs, s.files.playlist);
    if (s.files.cardSafe)
        store->setValue(u"files/cardSafe"_qs, *s.files.cardSafe);
    else
        store->remove(u"files/cardSafe"_qs);
}

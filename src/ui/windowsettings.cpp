#include "ui/windowsettings.h"

#include "output/joboptions.h"
#include "speech/audioformattable.h"
#include "ui/programsettings.h"

WindowSettings LoadWindowSettings()
{
    const std::unique_ptr<QSettings> store = ProgramSettings();
    WindowSettings s;
    BatchJob& job = s.job;
    job.folder = store->value(u"window/folder"_qs).toString();
    job.voiceId = store->value(u"window/voice"_qs).toString();
    bool formatRead = false;
    const int format = store->value(u"window/format"_qs).toInt(&formatRead);
    s.formatChosen = formatRead && speech::AudioFormatEntryOf(format) >= 0;
    job.formatCode = RunFormatCode(s.formatChosen ? format : -1);

    const BatchJob defaults;
    for (const JobOption& option : JobOptions()) {
        if (option.setting.isEmpty())
            continue;
        if (!option.settingOn.isEmpty() && !store->value(QString(option.settingOn), true).toBool()) {
            (void)SetJobOptionValue(option, job, {});
            continue;
        }
        const QVariant stored = store->value(QString(option.setting));
        if (!stored.isValid())
            continue;
        // Another version's value, or a hand-edited one: the usual value surprises less than
        // the nearest end of the range would.
        if (!SetJobOptionValue(option, job, stored) || !JobOptionInRange(option, job))
            (void)SetJobOptionValue(option, job, JobOptionValue(option, defaults));
    }
    job.lesson.perWord = true;  // the window has no lesson without the words' own files
    return s;
}

void SaveWindowSettings(const WindowSettings& s)
{
    const std::unique_ptr<QSettings> store = ProgramSettings();
    const BatchJob& job = s.job;
    store->setValue(u"window/folder"_qs, job.folder);
    store->setValue(u"window/voice"_qs, job.voiceId);
    if (s.formatChosen)
        store->setValue(u"window/format"_qs, job.formatCode);
    else
        store->remove(u"window/format"_qs);
    for (const JobOption& option : JobOptions()) {
        if (option.setting.isEmpty())
            continue;
        const QVariant value = JobOptionValue(option, job);
        if (!option.settingOn.isEmpty())
            store->setValue(QString(option.settingOn), value.isValid());
        if (value.isValid())
            store->setValue(QString(option.setting), value);
        else if (option.settingOn.isEmpty())
            store->remove(QString(option.setting));  // the usual: what an absent key means
    }
}

int RunFormatCode(int formatCode)
{
    return formatCode >= 0 ? formatCode : speech::AudioFormatTable[speech::kUnreadableFormatEntry].code;
}

BatchJob JobFromWindow(const WindowSettings& settings, const WordSource& source, std::vector<WordEntry> rows)
{
    BatchJob job = settings.job;
    job.source = source;
    job.rows = std::move(rows);
    job.lesson.perWord = true;
    return job;
}

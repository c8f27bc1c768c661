#pragma once

#include "ui/windowsettings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QWidget;
class SpeechEngine;

/// The window's choices that are kept between runs: the boxes that show them, and the 选项…
/// dialog's file, sound and lesson options, which no box shows. The voice is the caller's, since
/// choosing one goes through the window's handler.
class ChoiceBinding
{
public:
    struct Boxes
    {
        QLineEdit* folder = nullptr;
        QCheckBox* spellOut = nullptr;
        QCheckBox* chineseMeaning = nullptr;
        QCheckBox* prefix = nullptr;
        QCheckBox* skipExisting = nullptr;
        QComboBox* format = nullptr;
    };

    ChoiceBinding(Boxes boxes, SpeechEngine& engine);

    /// Shows the choices of the last run of the program and gives them. The format's entry is
    /// selected when it is in the list (FormatEntry then tells which); the rates go to the engine.
    WindowSettings Restore();
    /// The format list's entry Restore selected, or -1.
    int FormatEntry() const { return m_formatEntry; }
    /// The choices as they stand now, with `voiceId` as the voice.
    WindowSettings Current(const QString& voiceId) const;
    /// Opens 选项… on the file, sound and lesson options and keeps what it gives.
    void EditOptions(QWidget* parent);

    const SoundOptions& Sound() const { return m_options.sound; }

private:
    /// The code of the format list's entry, or -1 when none is selected.
    int chosenFormatCode() const;

    Boxes m_boxes;
    SpeechEngine& m_engine;
    BatchJob m_options;  // its file, sound and lesson options are 选项…'s
    int m_formatEntry = -1;
};

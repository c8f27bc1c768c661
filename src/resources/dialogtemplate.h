#pragma once

#include <span>

/// What a template control becomes on screen.
enum class ControlKind {
    PushButton,
    CheckBox,
    GroupBox,
    Label,
    Icon,
    Edit,
    ComboBox,
    TreeView,
    ListView,
    ProgressBar,
};

/// Styles of a template control (and of the dialog itself) that change what is built.
namespace TemplateStyle {
enum : unsigned {
    None = 0,
    Border = 1u << 0,
    DefaultButton = 1u << 1,
    MultiLine = 1u << 2,     // button text wraps: one character a line on the narrow buttons
    Notify = 1u << 3,        // a label that reports clicks
    NoWordWrap = 1u << 4,    // labels wrap unless this is set
    ReadOnly = 1u << 5,
    AutoHScroll = 1u << 6,
    DropDownList = 1u << 7,  // a combo box the user cannot type into
    Sorted = 1u << 8,
    VScroll = 1u << 9,
    HasButtons = 1u << 10,
    HasLines = 1u << 11,
    LinesAtRoot = 1u << 12,
    ShowSelAlways = 1u << 13,
    TrackSelect = 1u << 14,
    SingleExpand = 1u << 15,
    ReportView = 1u << 16,
    SingleSelection = 1u << 17,
    AutoCheckBox = 1u << 18,

    // Dialog styles.
    MinimizeBox = 1u << 24,
};
} // namespace TemplateStyle

/// One child control: place and size in dialog units, its text (UTF-16, may be empty) and the
/// object name the built widget gets.
struct ControlTemplate
{
    int id;
    ControlKind kind;
    const char16_t* text;
    int x;
    int y;
    int width;
    int height;
    unsigned styles;
    const char* objectName;
};

/// A dialog: title, client size in dialog units, the font the units are measured with, and its
/// controls in creation (tab) order.
struct DialogTemplate
{
    int id;
    const char16_t* title;
    int width;
    int height;
    const char16_t* fontFace;
    int pointSize;
    unsigned styles;
    const char* objectName;
    std::span<const ControlTemplate> controls;
};

/// The template with this id, or nullptr when there is none.
const DialogTemplate* findDialogTemplate(int id);

/// A control's tooltip in the main window, by its control id.
struct ControlToolTip
{
    int id;
    const char16_t* text;
};

/// The main window's tooltips, in the order they are set.
std::span<const ControlToolTip> mainWindowToolTips();

/// An entry of the string table; an empty text when the id is unknown.
const char16_t* loadResourceString(int id);

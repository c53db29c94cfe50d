#pragma once

#include "display/view_state.h"

#include <QString>
#include <array>

// Object names of the point view's controls, shared by the commands that set their states and
// the window that shows them.
namespace ViewControls {
inline const QString Picture = QStringLiteral("Picture1");
inline const QString PromptPanel = QStringLiteral("Panel1");
inline const QString DisplayPanel = QStringLiteral("Panel2");
inline const QString OptionPanel = QStringLiteral("SSPanel1");
inline const QString DisplayCaption = QStringLiteral("Label02");
inline const QString OptionCaption = QStringLiteral("Label03");
inline const QString Prompt = QStringLiteral("Label1");
inline const QString PicturePrompt = QStringLiteral("PictureLabel");
inline const QString ZAxis = QStringLiteral("ZAxis");
inline const QString Home = QStringLiteral("cmdHome");
// The two options of the LabelOption group: index 1 "ON" / "Display", index 0 "OFF" / "Digitize".
inline QString labelOption(int index)
{
    return QStringLiteral("LabelOption(%1)").arg(index);
}

struct Button
{
    const char *name;
    int pressCode; // 0: cmdHome, which does not repeat
    const char *caption;
    const char *accessibleName;
};
inline constexpr std::array<Button, 11> Buttons = {{
    {"LeftButton", ViewButtons::Left, "Left", "Turn left"},
    {"RightButton", ViewButtons::Right, "Right", "Turn right"},
    {"UpButton", ViewButtons::Up, "Up", "Turn up"},
    {"DownButton", ViewButtons::Down, "Down", "Turn down"},
    {"SSCommand1", ViewButtons::ZoomOut, "Zoom -", "Zoom out"},
    {"SSCommand2", ViewButtons::ZoomIn, "Zoom +", "Zoom in"},
    {"SSCommand6", ViewButtons::PlotUp, "Move up", "Move the plot up"},
    {"SSCommand3", ViewButtons::PlotDown, "Move down", "Move the plot down"},
    {"SSCommand4", ViewButtons::PlotLeft, "Move left", "Move the plot left"},
    {"SSCommand5", ViewButtons::PlotRight, "Move right", "Move the plot right"},
    {"cmdHome", 0, "Home", "Home view"},
}};
} // namespace ViewControls

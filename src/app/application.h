#pragma once

#include "convert/convert_commands.h"
#include "data/file_commands.h"
#include "data/workspace.h"
#include "display/text_views.h"
#include "platform/qt_wave_audio.h"
#include "seams/command_table.h"
#include "seams/session.h"
#include "seams/ui_state.h"
#include "shell/settings_controller.h"
#include "shell/shell_controller.h"

#include <memory>

class Dialogs;
class ShellView;
class Clock;
class EventPump;
class SerialLink;

// One run of the program: the workspace, the seams and the controllers, wired together.
class Application
{
public:
    struct Seams
    {
        Dialogs &dialogs;
        ShellView &view;
        Clock &clock;
        EventPump &pump;
        SerialLink &link;
    };
    explicit Application(const Seams &seams);

    Workspace ws;
    UiState ui;
    CommandTable commands;
    QtWaveAudio audio;
    Session session;
    SettingsController settings;
    ShellController shell;
    FileCommands files;
    TextViews views;
    ConvertCommands conversions;
};

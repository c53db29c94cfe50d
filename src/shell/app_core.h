#pragma once

#include "acquisition/wizard.h"
#include "commands/command_set.h"
#include "data/workspace.h"
#include "seams/command_table.h"
#include "seams/session.h"
#include "seams/ui_state.h"
#include "seams/wave_audio.h"
#include "shell/shell_controller.h"

class Dialogs;
class ShellView;
class Clock;
class EventPump;
class SerialLink;

// One run of the program: the workspace, the seams and the controllers, wired together.
class AppCore
{
public:
    struct Seams
    {
        Dialogs &dialogs;
        ShellView &view;
        Clock &clock;
        EventPump &pump;
        SerialLink &link;
        WaveAudio &audio;
    };
    explicit AppCore(const Seams &seams);

    Workspace ws;
    UiState ui;
    CommandTable commands;
    WaveAudio &audio;
    Session session;
    CommandSet menus;
    ShellController shell;
    Wizard wizard;
};

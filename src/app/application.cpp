#include "application.h"

Application::Application(const Seams &seams)
    : session{ws, seams.dialogs, ui, seams.clock, seams.pump, audio, seams.link, {}, {}},
      settings(session), shell(session, seams.view, settings)
{
    settings.registerCommands(commands);
    shell.registerCommands(commands);
}

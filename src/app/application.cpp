#include "application.h"

Application::Application(const Seams &seams)
    : session{ws, seams.dialogs, ui, seams.clock, seams.pump, audio, seams.link, {}, {}},
      settings(session), shell(session, seams.view, settings), files(session), views(session),
      conversions(session, files, views)
{
    session.updateView = [this] { views.UpdateView(); };
    shell.saveAs = [this] { files.menuSaveAs_Click(); };
    settings.registerCommands(commands);
    shell.registerCommands(commands);
    files.registerCommands(commands);
    views.registerCommands(commands);
    conversions.registerCommands(commands);
}

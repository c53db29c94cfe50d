#include "app_core.h"

AppCore::AppCore(const Seams &seams)
    : audio(seams.audio), session{ws,    seams.dialogs, ui, seams.clock, seams.pump,
                                  audio, seams.link,    {}, {}},
      menus(session), shell(session, seams.view, menus.setup)
{
    shell.saveAs = [this] { return menus.files.saveAs(); };
    menus.registerAll(commands);
    shell.registerCommands(commands);
}

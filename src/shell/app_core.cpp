#include "app_core.h"

#include "commands/setup_menus.h"

AppCore::AppCore(const Seams &seams)
    : audio(seams.audio), session{ws,    seams.dialogs, ui, seams.clock, seams.pump,
                                  audio, seams.link,    {}, {}},
      menus(session), shell(session, seams.view, menus.setup), wizard(session)
{
    shell.saveAs = [this] { return menus.files.saveAs(); };
    wizard.updateMenus = [this] { SetupMenus::UpdateSetupMenus(session); };
    menus.registerAll(commands);
    shell.registerCommands(commands);
    wizard.registerCommands(commands);
}

#include "app_core.h"

#include "commands/setup_menus.h"

AppCore::AppCore(const Seams &seams)
    : audio(seams.audio), session{ws,    seams.dialogs, ui, seams.clock, seams.pump,
                                  audio, seams.link,    {}, {}},
      menus(session), shell(session, seams.view, menus.setup), wizard(session)
{
    shell.saveAs = [this](const QString &dataSet) {
        if (dataSet == QLatin1String("sequence"))
            return menus.files.saveAsFor(QStringLiteral("seq"), {FileKind::Sequence});
        if (dataSet == QLatin1String("shape"))
            return menus.files.saveAsFor(QStringLiteral("hsp"), {FileKind::Shape});
        const QString &system = ws.settings.CoordinateSystem;
        const QString extension = system == QLatin1String("BESA")    ? QStringLiteral("sfp")
                                  : system == QLatin1String("Curry") ? QStringLiteral("res")
                                                                     : QStringLiteral("elp");
        return menus.files.saveAsFor(extension,
                                     {FileKind::Electrode, FileKind::Besa, FileKind::Curry});
    };
    wizard.updateMenus = [this] { SetupMenus::UpdateSetupMenus(session); };
    menus.registerAll(commands);
    shell.registerCommands(commands);
    wizard.registerCommands(commands);
}

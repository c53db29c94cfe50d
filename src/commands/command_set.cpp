#include "command_set.h"

#include "seams/session.h"

CommandSet::CommandSet(Session &session)
    : setup(session), files(session), views(session), conversions(session, files, views),
      service(session, files)
{
    session.updateView = [this] { views.UpdateView(); };
}

void CommandSet::registerAll(CommandTable &table)
{
    setup.registerCommands(table);
    files.registerCommands(table);
    views.registerCommands(table);
    conversions.registerCommands(table);
    service.registerCommands(table);
}

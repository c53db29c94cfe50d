#include "command_set.h"

#include "seams/session.h"

CommandSet::CommandSet(Session &session)
    : setup(session), files(session), views(session), conversions(session, files, views),
      display(session), service(session, files)
{
    // Whatever refreshes the listing after data changed also refreshes the plot.
    session.updateView = [this] {
        views.UpdateView();
        display.dataChanged();
    };
}

void CommandSet::registerAll(CommandTable &table)
{
    setup.registerCommands(table);
    files.registerCommands(table);
    views.registerCommands(table);
    conversions.registerCommands(table);
    display.registerCommands(table);
    service.registerCommands(table);
}

#include "view_commands.h"

#include "data/workspace.h"
#include "display/listings.h"
#include "seams/command_table.h"
#include "seams/controls.h"
#include "seams/dialogs.h"
#include "seams/session.h"
#include "seams/ui_state.h"

void ViewCommands::show(const QString &viewName)
{
    m_s.ws.CurrentView = viewName;
    m_s.ui.setText(Controls::DataListing, Listings::byViewName(m_s.ws, viewName));
}

void ViewCommands::clear()
{
    m_s.ws.CurrentView = QStringLiteral("Clear View");
    m_s.ui.setText(Controls::DataListing, QString());
    m_s.ui.setText(Controls::IniStrings, QString());
}

void ViewCommands::UpdateView()
{
    const QString view = m_s.ws.CurrentView;
    if (view == QLatin1String("Clear View"))
        return;
    if (!Listings::ViewNames.contains(view)) {
        m_s.dialogs.show(QStringLiteral("UpdateView(): don't know what to do"));
        return;
    }
    show(view);
}

void ViewCommands::registerCommands(CommandTable &t)
{
    for (int i = 0; i < MenuItems.size(); ++i) {
        const QString view = Listings::ViewNames[i];
        t.add(MenuItems[i], [this, view] { show(view); });
    }
    t.add(QStringLiteral("menuViewClear"), [this] { clear(); });
}

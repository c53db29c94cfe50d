#include "service_windows.h"

#include "app/console_window.h"
#include "app/stream_window.h"
#include "commands/service_commands.h"

void attachServiceWindows(ServiceCommands &service, Session &session, QWidget *parent,
                          std::function<void()> changed)
{
    service.showMonitor = [parent, changed](std::shared_ptr<StreamMonitor> monitor) {
        auto *w = new StreamWindow(std::move(monitor), parent);
        QObject::connect(w, &QObject::destroyed, parent, [changed] {
            if (changed)
                changed();
        });
        w->show();
    };
    service.showConsole = [&session, parent] {
        auto *w = new ConsoleWindow(session, parent);
        w->show();
    };
}

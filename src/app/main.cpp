#include "app/application.h"
#include "app/main_window.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "platform/console_dialogs.h"
#include "platform/console_shell_view.h"
#include "platform/qserial_link.h"
#include "platform/qt_event_pump.h"
#include "platform/steady_clock.h"
#include "platform/widgets/qt_dialogs.h"
#include "shell/app_paths.h"
#include "shell/batch_probe.h"
#include "shell/command_line.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <memory>

namespace {
bool hasDisplay()
{
    if (qEnvironmentVariableIsSet("POINTRA_HEADLESS"))
        return false;
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return true;
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

void reportHeadless(const Application &app, const QSerialLink &link)
{
    const Workspace &ws = app.ws;
    ConsoleShellView::say(QStringLiteral("Settings: %1").arg(QDir::toNativeSeparators(AppPaths::settingsFile(ws.AppPath))));
    ConsoleShellView::say(QStringLiteral("Window caption: ") + app.ui.caption);
    ConsoleShellView::say(QStringLiteral("Digitizer: %1 on Comm port %2 (%3), %4")
                              .arg(ws.settings.DigitizerType)
                              .arg(ws.settings.nCommPort)
                              .arg(QSerialLink::deviceForPort(ws.settings.nCommPort), link.settings()));
    ConsoleShellView::say(QStringLiteral("Data folder: ") + QDir::toNativeSeparators(ws.DataPath));
}
} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        std::printf("%s", qPrintable(batchUsage()));
        return 0;
    }
    const QString commandLine = joinArguments(args);
    const bool batch = !commandLine.isEmpty();
    const std::optional<BatchNames> names = splitBatchCommandLine(commandLine);
    if (batch && !names) {
        std::fprintf(stderr, "pointra: expected three file names.\n%s", qPrintable(batchUsage()));
        return 2;
    }

    const bool gui = !batch && hasDisplay();
    std::unique_ptr<QCoreApplication> qapp;
    if (gui)
        qapp = std::make_unique<QApplication>(argc, argv);
    else
        qapp = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pointra"));
    QCoreApplication::setApplicationVersion(QStringLiteral(POINTRA_VERSION));

    const QString appPath = AppPaths::resolveAppPath(QCoreApplication::applicationDirPath());
    AppPaths::installTemplates(appPath);

    SteadyClock clock;
    QtEventPump pump;
    QSerialLink link;

    if (gui) {
        MainWindow window;
        QtDialogs dialogs(&window);
        Application app({dialogs, window, clock, pump, link});
        window.attach(app);
        app.shell.startUp(appPath);
        window.syncFromState();
        app.shell.startInteractive();
        window.syncFromState();
        return qapp->exec();
    }

    ConsoleDialogs dialogs;
    ConsoleShellView view;
    Application app({dialogs, view, clock, pump, link});
    app.shell.startUp(appPath);
    if (batch) {
        if (app.ws.settings.DigitizerType != QLatin1String("FASTRAK")) {
            dialogs.show(crJoin({QStringLiteral("Command line response works only with FASTRAK"),
                                 QStringLiteral("Please connect FASTRAK")}));
            return 1;
        }
        DigitizerSetup::InitializeDigitizer(app.session);
        return RunBatchProbe(app.session, *names);
    }
    app.shell.startInteractive();
    reportHeadless(app, link);
    return 0;
}

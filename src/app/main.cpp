#include "app/application.h"
#include "app/main_window.h"
#include "app/sequence_editor_launch.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "digitizer/records.h"
#include "platform/auto_link.h"
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
#include <QStatusBar>
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

QString cm(const Point3 &p)
{
    return QStringLiteral("(%1, %2, %3) cm")
        .arg(p.x() * 100, 0, 'f', 2)
        .arg(p.y() * 100, 0, 'f', 2)
        .arg(p.z() * 100, 0, 'f', 2);
}

// Without a window: say what start-up did and show one record, so the whole chain is seen.
void reportHeadless(Application &app, AutoLink &link)
{
    const Workspace &ws = app.ws;
    ConsoleShellView::say(QStringLiteral("Settings file: ") +
                          QDir::toNativeSeparators(AppPaths::settingsFile(ws.AppPath)));
    ConsoleShellView::say(QStringLiteral("Data folder: ") + QDir::toNativeSeparators(ws.DataPath));
    ConsoleShellView::say(QStringLiteral("Window caption: ") + app.ui.caption);
    const QString type = ws.settings.DigitizerType;
    if (type != QLatin1String("FASTRAK") && type != QLatin1String("ISOTRAK") &&
        type != QLatin1String("PATRIOT")) {
        ConsoleShellView::say(QStringLiteral(
            "No digitizer configured: choose Setup > Digitizer Type in the window."));
        return;
    }
    QString record;
    if (Records::PollDigitizerRecord(app.session, record) != Records::Outcome::Received ||
        record.isEmpty()) {
        ConsoleShellView::say(
            QStringLiteral("The %1 did not answer on %2.").arg(type, link.target()));
        return;
    }
    ConsoleShellView::say(QStringLiteral("Initialised the %1 on %2 at %3.")
                              .arg(type, link.target(), link.settings()));
    if (type == QLatin1String("ISOTRAK"))
        record = Records::rebuildIsotrak(record);
    ConsoleShellView::say(QStringLiteral("One record, %1 characters: stylus at %2")
                              .arg(record.size())
                              .arg(cm(Records::stylusPosition(type, record))));
    Transform4 rotation, pose;
    if (Records::ParseDigitizerRecord(type, record, 1, 1, rotation, pose))
        ConsoleShellView::say(QStringLiteral("First receiver at ") + cm(pose.block<3, 1>(0, 3)));
}
} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() == 1 &&
        (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        std::printf("%s", qPrintable(batchUsage()));
        return 0;
    }
    const bool editSequence = isEditSequenceCommand(args);
    if (editSequence && (args.size() > 2 || !hasDisplay())) {
        std::fprintf(stderr, "pointra: --edit-sequence [FILE.seq] opens the sequence editor; it "
                             "takes at most one file name and needs a display.\n");
        return 2;
    }
    const QString commandLine = editSequence ? QString() : joinArguments(args);
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
    Workspace *workspace = nullptr;
    AutoLink link(
        clock, [&workspace] { return workspace ? workspace->settings.DigitizerType : QString(); });

    if (gui) {
        MainWindow window;
        QtDialogs dialogs(&window);
        Application app({dialogs, window, clock, pump, link});
        workspace = &app.ws;
        window.attach(app);
        app.shell.startUp(appPath);
        if (editSequence)
            return runEditSequenceCommand(app, args);
        window.syncFromState();
        app.shell.startInteractive();
        window.syncFromState();
        window.statusBar()->showMessage(QStringLiteral("Digitizer line: ") + link.target());
        return qapp->exec();
    }

    ConsoleDialogs dialogs;
    ConsoleShellView view;
    Application app({dialogs, view, clock, pump, link});
    workspace = &app.ws;
    app.shell.startUp(appPath);
    if (batch) {
        if (app.ws.settings.DigitizerType != QLatin1String("FASTRAK")) {
            dialogs.show(crJoin({QStringLiteral("Command line response works only with FASTRAK"),
                                 QStringLiteral("Please connect FASTRAK")}));
            return 1;
        }
        link.allowEmulator(false);
        DigitizerSetup::InitializeDigitizer(app.session);
        return RunBatchProbe(app.session, *names);
    }
    app.shell.startInteractive();
    reportHeadless(app, link);
    return 0;
}

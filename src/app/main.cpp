#include "app/main_window.h"
#include "app/sequence_editor_launch.h"
#include "data/app_paths.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "digitizer/record_parser.h"
#include "digitizer/records.h"
#include "platform/auto_link.h"
#include "platform/console_dialogs.h"
#include "platform/console_shell_view.h"
#include "platform/qserial_link.h"
#include "platform/qt_event_pump.h"
#include "platform/qt_wave_audio.h"
#include "platform/steady_clock.h"
#include "platform/widgets/qt_dialogs.h"
#include "shell/app_core.h"
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
bool reportHeadless(AppCore &app, AutoLink &link)
{
    const Workspace &ws = app.ws;
    ConsoleShellView::say(QStringLiteral("Settings file: ") +
                          QDir::toNativeSeparators(AppPaths::settingsFile(ws.AppPath)));
    ConsoleShellView::say(QStringLiteral("Data folder: ") + QDir::toNativeSeparators(ws.DataPath));
    ConsoleShellView::say(QStringLiteral("Window caption: ") + app.ui.caption);
    const DigitizerModel model = ws.settings.Digitizer;
    const QString type = traitsOf(model).name;
    if (!isDevice(model)) {
        ConsoleShellView::say(QStringLiteral(
            "No digitizer configured: choose Setup > Digitizer Type in the window."));
        return true;
    }
    QString record;
    const Records::Outcome outcome = Records::PollDigitizerRecord(app.session, record);
    if (outcome != Records::Outcome::Received || record.isEmpty()) {
        ConsoleShellView::say(
            QStringLiteral("The %1 did not answer on %2.").arg(type, link.target()));
        return false;
    }
    ConsoleShellView::say(QStringLiteral("Initialised the %1 on %2 at %3.")
                              .arg(type, link.target(), link.settings()));
    if (model == DigitizerModel::Isotrak)
        record = Records::rebuildIsotrak(record);
    QString problem;
    const std::optional<Reading> reading =
        Records::parseReading(model, record, Records::AllBlocks, &problem);
    if (!reading) {
        ConsoleShellView::say(QStringLiteral("The record that arrived is not a reading: ") +
                              problem);
        return false;
    }
    ConsoleShellView::say(QStringLiteral("One record, %1 characters: stylus at %2")
                              .arg(record.size())
                              .arg(cm(reading->stylus)));
    const Transform4 pose = reading->receiver(1).transform(1);
    ConsoleShellView::say(QStringLiteral("First receiver at ") + cm(pose.block<3, 1>(0, 3)));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const ProgramOptions options = parseProgramArguments(args);
    if (options.help) {
        std::printf("%s", qPrintable(batchUsage()));
        return 0;
    }
    if (!options.unknownOption.isEmpty()) {
        std::fprintf(stderr, "pointra: unknown option %s\n%s", qPrintable(options.unknownOption),
                     qPrintable(batchUsage()));
        return 2;
    }
    const bool batch = !options.batchWords.isEmpty();
    if (options.editSequence && (batch || !hasDisplay())) {
        std::fprintf(stderr, "pointra: --edit-sequence [FILE.seq] opens the sequence editor; it "
                             "takes at most one file name and needs a display.\n");
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
    AutoLink link(clock, [&workspace] {
        return workspace ? workspace->settings.Digitizer : DigitizerModel::NoDigitizer;
    });

    if (gui) {
        MainWindow window;
        QtDialogs dialogs(&window);
        QtWaveAudio audio;
        AppCore app({dialogs, window, clock, pump, link, audio});
        workspace = &app.ws;
        window.attach(app);
        window.setLineStatus([&] { return link.status(app.ws.settings); });
        app.shell.startUp(appPath);
        app.shell.setServiceMode(options.service);
        if (options.editSequence)
            return runEditSequenceCommand(app, options.sequenceFile);
        window.syncFromState();
        app.shell.startInteractive();
        app.wizard.offerRecovery();
        window.syncFromState();
        return qapp->exec();
    }

    ConsoleDialogs dialogs;
    ConsoleShellView view;
    SilentAudio audio;
    AppCore app({dialogs, view, clock, pump, link, audio});
    workspace = &app.ws;
    app.shell.startUp(appPath);
    if (batch) {
        if (app.ws.settings.Digitizer != DigitizerModel::Fastrak) {
            dialogs.show(crJoin({QStringLiteral("Command line response works only with FASTRAK"),
                                 QStringLiteral("Please connect FASTRAK")}));
            return 1;
        }
        const std::optional<BatchNames> names =
            splitBatchCommandLine(joinArguments(options.batchWords));
        if (!names) {
            std::fprintf(stderr, "pointra: expected three file names.\n%s",
                         qPrintable(batchUsage()));
            return 2;
        }
        link.allowEmulator(false);
        return RunBatchProbe(app.session, *names);
    }
    if (!app.shell.startInteractive())
        return 1;
    return reportHeadless(app, link) ? 0 : 1;
}

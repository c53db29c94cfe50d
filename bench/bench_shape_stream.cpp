// Head-shape streaming from a FASTRAK with four stations at 115,200 baud through a real
// pseudo-terminal: pointra-simdig sweeps the scalp for the given seconds (default 60) while the
// program's loop reads the stream on a 10 ms timer, as the window does. Reports the records sent
// and read (none may be lost), how many were kept, and the process's CPU time per wall second.
#include "acquisition/wizard.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "platform/qserial_link.h"
#include "platform/qt_event_pump.h"
#include "platform/steady_clock.h"
#include "seams/dialogs.h"
#include "seams/session.h"
#include "seams/ui_state.h"
#include "seams/wave_audio.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {
class QuietDialogs final : public Dialogs
{
public:
    Answer message(const QString &, const QString &, Buttons, Icon, Answer a) override
    {
        return a;
    }
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> openFileName(const FileRequest &) override { return std::nullopt; }
    std::optional<QString> saveFileName(const FileRequest &) override { return std::nullopt; }
};

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, atoi(argv[1])) : 60;
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("digitizer"));
    const QString sent = dir.filePath(QStringLiteral("out.log"));
    QProcess sim;
    sim.start(QStringLiteral(POINTRA_SIMDIG), {"--link", device, "--receivers", "3", "--noise",
                                                "0.05", "--log-out", sent});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "pointra-simdig did not start\n");
        return 1;
    }
    qputenv("POINTRA_COMM1", device.toLocal8Bit());

    Workspace ws;
    ws.settings.Digitizer = DigitizerModel::Fastrak;
    ws.settings.CoordinateSystem = QStringLiteral("TEVO");
    ws.settings.DecimalPoint = QStringLiteral("Period");
    ws.settings.Hemisphere = QStringLiteral("0,0,1");
    ws.settings.CommPort = 1;
    ws.AppPath = dir.path();
    ws.ReceiverCount = 3;
    // Head frames as if the fiducials had been taken: the identity for every reference.
    for (Transform4 &m : ws.MRef)
        m = Transform4::Identity();
    ws.ShapeFid = {Point3(0.1, 0, 0), Point3(0, 0.08, 0), Point3(0, -0.08, 0)};
    UiState ui;
    QuietDialogs dialogs;
    SteadyClock clock;
    QtEventPump pump;
    SilentAudio audio;
    QSerialLink link;
    Session s{ws, dialogs, ui, clock, pump, audio, link, {}, {}};
    DigitizerSetup::ApplySerialSettings(s);
    DigitizerSetup::InitializeDigitizer(s);
    const QString settings = DigitizerSetup::SetBaudRate(s, 115200);
    if (settings.isEmpty()) {
        std::fprintf(stderr, "the line could not be set to 115200 baud\n");
        return 1;
    }
    Wizard wizard(s);
    wizard.state.Step = Steps::Shape;
    wizard.state.SubStep = 4;
    wizard.DispatchStep();
    if (!wizard.waiting()) {
        std::fprintf(stderr, "the head-shape loop did not start\n");
        return 1;
    }
    QThread::msleep(300);

    // One slow sweep back and forth over the scalp for the whole time.
    const double pathCm = 62.0;
    sim.write(QStringLiteral("sweep Fpz Cz Oz Cz Fpz speed %1\n").arg(pathCm / seconds).toLatin1());
    sim.waitForBytesWritten(1000);

    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] { wizard.poll(); });
    timer.start();
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    const ShapeLoop &loop = wizard.headShape().loop();
    bool started = false;
    QEventLoop events;
    QTimer check;
    check.setInterval(100);
    QObject::connect(&check, &QTimer::timeout, [&] {
        started = started || loop.sequenceRunning();
        if ((started && !loop.sequenceRunning()) || wall.elapsed() > (seconds + 10) * 1000)
            events.quit();
    });
    check.start();
    events.exec();
    const double cpu = cpuSeconds() - cpu0;
    const double elapsed = wall.elapsed() / 1000.0;
    timer.stop();
    wizard.press(Wizard::Button::Accept);
    sim.kill();
    sim.waitForFinished(3000);

    QFile f(sent);
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    // Every record of the stream starts with the stylus station at the start of a line.
    int records = bytes.startsWith("01") ? 1 : 0;
    records += int(bytes.count("\n01"));
    const ShapeLoop::Counts &c = loop.counts();
    std::printf("streamed %.1f s at 115200 baud, FASTRAK with 4 stations\n", elapsed);
    std::printf("records sent %d, read %d (%d not readings), kept %d, lost %d\n", records,
                c.arrived, c.refused, c.kept, records - c.arrived);
    std::printf("CPU %.2f s in %.1f s: %.2f %% of one core\n", cpu, elapsed,
                100.0 * cpu / elapsed);
    return records == c.arrived ? 0 : 1;
}

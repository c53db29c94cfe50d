#include "commands/display_commands.h"
#include "commands/file_commands.h"
#include "data/electrode_file.h"
#include "data/probe_file.h"
#include "data/shape_file.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "fixtures.h"
#include "temp_home.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <optional>

class TestCliRender : public QObject
{
    Q_OBJECT
private slots:
    void fiducialDotsLandWhereTheyProject_data();
    void fiducialDotsLandWhereTheyProject();
    void matchesTheWindowsPlot_data();
    void matchesTheWindowsPlot();
    void labelsAreDrawnOnRequest();
    void refusals_data();
    void refusals();
};

namespace {
struct Run
{
    int status;
    QString err;
};

const QColor Blue(0, 0, 255), Red(255, 0, 0);

// A program folder with settings, and the runs of pointra-cli without any display.
struct CliRig
{
    CliRig()
    {
        QFile ini(base.path("pointra.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("Digitizer Type=FASTRAK\r\nCoordinate System=TEVO\r\nDecimal "
                      "Point=Period\r\nHemisphere=0,0,1\r\nnCommPort= 1\r\nSound=OFF\r\n");
    }
    Run render(const QStringList &args) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        env.insert("POINTRA_HOME", base.home.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(POINTRA_CLI), QStringList{"render"} + args);
        if (!p.waitForFinished(30000))
            return {-1, QStringLiteral("pointra-cli did not finish")};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardError())};
    }
    QString path(const QString &name) const { return base.path(name); }

    TestRig base;
};

// A cap of `n` electrodes written as Pointra writes electrode files.
QString writeElectrodes(const CliRig &rig, const QString &name, int n)
{
    Workspace ws;
    ws.settings.DecimalPoint = QStringLiteral("Period");
    ws.sensors.NumSensors = n;
    ws.tevo.resize(n);
    ws.meas.resize(n);
    ws.tevo.Fid = {Point3(0.102, 0.004, -0.01), Point3(-0.003, 0.074, 0.002),
                   Point3(0.001, -0.071, -0.004)};
    std::vector<QString> names;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * M_PI * i / std::max(n, 1);
        ws.tevo.Pos[i] = Point3(0.05 * std::cos(a), 0.05 * std::sin(a), 0.06 + 0.01 * (i % 3));
        ws.meas.Type[i] = QStringLiteral("400");
        names.push_back(QStringLiteral("Ch%1").arg(i + 1));
    }
    ws.tevo.Name = namesAsFixed8(names);
    WriteElectrodeFile(rig.path(name), ws);
    return rig.path(name);
}

QString writeShape(const CliRig &rig, const QString &name)
{
    Workspace ws;
    ws.settings.DecimalPoint = QStringLiteral("Period");
    ws.ShapeFid = {Point3(0.09, 0, 0), Point3(0, 0.075, 0), Point3(0, -0.075, 0)};
    for (int i = 0; i < 200; ++i) {
        const double a = 2 * M_PI * (i % 20) / 20, b = M_PI / 2 * (i / 20) / 10.0;
        ws.ShapePos.push_back(Point3(0.09 * std::cos(a) * std::cos(b),
                                     0.075 * std::sin(a) * std::cos(b), 0.1 * std::sin(b)));
    }
    ws.NumShapePoints = int(ws.ShapePos.size());
    WriteShapeFile(rig.path(name), ws);
    return rig.path(name);
}

QString writeProbe(const CliRig &rig, const QString &name)
{
    Workspace ws;
    ws.settings.DecimalPoint = QStringLiteral("Period");
    ws.ProbeFid = {Point3(0.1, 0, 0), Point3(0, 0.08, 0), Point3(0, -0.08, 0)};
    ws.sensors.resize(3);
    for (int s = 0; s < 3; ++s) {
        ws.sensors.SensorType[s] = QStringLiteral("1");
        ws.sensors.SensorName[s] = QStringLiteral("MEG%1").arg(s + 1);
        ws.sensors.ProbeCoil[s][0] = {0.02 * s, 0.03, 0.09, 0, 0, 1};
    }
    WriteProbeFile(rig.path(name), ws);
    return rig.path(name);
}

// Centre of the pixels of `colour` within `radius` of `at`.
std::optional<QPointF> centroid(const QImage &image, QPointF at, QColor colour, int radius)
{
    QPointF sum;
    int n = 0;
    for (int y = int(at.y()) - radius; y <= int(at.y()) + radius; ++y)
        for (int x = int(at.x()) - radius; x <= int(at.x()) + radius; ++x)
            if (image.rect().contains(x, y) && image.pixelColor(x, y) == colour) {
                sum += QPointF(x + 0.5, y + 0.5);
                ++n;
            }
    if (n == 0)
        return std::nullopt;
    return sum / n;
}

bool dotAt(const QImage &image, QPointF at, QColor colour)
{
    const auto c = centroid(image, at, colour, 3);
    if (!c || (*c - at).manhattanLength() > 1.0)
        qWarning() << "expected a" << colour << "dot at" << at << "found" << (c ? *c : QPointF());
    return c && (*c - at).manhattanLength() <= 1.0;
}

int nonWhite(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) != qRgb(255, 255, 255);
    return n;
}
} // namespace

void TestCliRender::fiducialDotsLandWhereTheyProject_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("azimuth");
    QTest::addColumn<int>("elevation");
    QTest::addColumn<double>("scale");
    // clang-format off
    QTest::newRow("home, default size") << QStringList{}                                        << QSize(600, 450) << 180 << -90 << 150.0;
    QTest::newRow("home, 400 x 300")    << QStringList{"--width", "400", "--height", "300"}     << QSize(400, 300) << 180 << -90 << 150.0;
    QTest::newRow("side view, zoomed")  << QStringList{"--azimuth", "90", "--elevation", "-20", "--scale", "260"} << QSize(600, 450) << 90 << -20 << 260.0;
    QTest::newRow("tilted, small")      << QStringList{"--width", "320", "--height", "320", "--azimuth", "215", "--elevation", "-60"} << QSize(320, 320) << 215 << -60 << 150.0;
    // clang-format on
}

void TestCliRender::fiducialDotsLandWhereTheyProject()
{
    QFETCH(QStringList, options);
    QFETCH(QSize, size);
    QFETCH(int, azimuth);
    QFETCH(int, elevation);
    QFETCH(double, scale);
    CliRig rig;
    const QString elp = writeElectrodes(rig, "cap.elp", 8);
    const QString out = rig.path("cap.png");
    const Run run = rig.render(QStringList{elp, out} + options);
    QVERIFY2(run.status == 0, qPrintable(run.err));
    const QImage image(out);
    QCOMPARE(image.size(), size);
    QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));

    ViewState view = homeView(size, DisplaySets::Electrodes);
    view.ViewAzimuth = azimuth;
    view.ViewElevation = elevation;
    view.PlotScale = scale;
    const Projection projection(view);
    // The file holds four decimals; the largest fiducial coordinate becomes 5.
    const FidTriple fid = {Point3(0.102, 0.004, -0.01), Point3(-0.003, 0.074, 0.002),
                           Point3(0.001, -0.071, -0.004)};
    const double f = 5 / 0.102;
    QVERIFY(dotAt(image, *projection.toPixels(Point3(f * fid[0])), Blue));
    QVERIFY(dotAt(image, *projection.toPixels(Point3(f * fid[1])), Red));
    QVERIFY(dotAt(image, *projection.toPixels(Point3(f * fid[2])), Red));
}

void TestCliRender::matchesTheWindowsPlot_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("menu");
    // clang-format off
    QTest::newRow("electrodes") << "cap.elp"   << "menuDisplayEProbe";
    QTest::newRow("head shape") << "head.hsp"  << "menuDShape";
    QTest::newRow("probe")      << "probe.elp" << "menuDProbe";
    // clang-format on
}

void TestCliRender::matchesTheWindowsPlot()
{
    QFETCH(QString, file);
    QFETCH(QString, menu);
    CliRig rig;
    const QString in = file == QLatin1String("cap.elp")    ? writeElectrodes(rig, file, 32)
                       : file == QLatin1String("head.hsp") ? writeShape(rig, file)
                                                           : writeProbe(rig, file);
    const QString out = rig.path("out.png");
    const Run run = rig.render({in, out, "--width", "500", "--height", "380"});
    QVERIFY2(run.status == 0, qPrintable(run.err));

    // The same file opened in the window and shown by its Display menu, plot 500 x 380.
    TestRig &base = rig.base;
    FileCommands files(base.session);
    DisplayCommands display(base.session);
    display.registerCommands(base.commands);
    base.ws.settings.CoordinateSystem = QStringLiteral("TEVO");
    base.ws.settings.DecimalPoint = QStringLiteral("Period");
    if (file == QLatin1String("probe.elp")) {
        // File > Open reads every .elp as electrodes; the probe comes in as the probe step
        // leaves it.
        LineReader lines(readFileBytes(in));
        ReadProbeFile(lines, base.ws);
    } else {
        QVERIFY(files.openPath(in));
    }
    display.view().setPlotSize(QSize(500, 380));
    QVERIFY(base.invoke(menu));
    display.view().renderNow();
    const QImage window = display.view().image();
    const QImage cli = QImage(out).convertToFormat(window.format());
    QVERIFY(nonWhite(cli) > 0);
    QCOMPARE(cli, window);
}

void TestCliRender::labelsAreDrawnOnRequest()
{
    CliRig rig;
    const QString elp = writeElectrodes(rig, "cap.elp", 6);
    QCOMPARE(rig.render({elp, rig.path("plain.png")}).status, 0);
    QCOMPARE(rig.render({elp, rig.path("named.png"), "--labels"}).status, 0);
    const int plain = nonWhite(QImage(rig.path("plain.png")));
    const int named = nonWhite(QImage(rig.path("named.png")));
    // Six names of about three characters each add far more than a few dots.
    QVERIFY2(named > plain + 6 * 3 * 10, qPrintable(QStringLiteral("%1 %2").arg(plain).arg(named)));
}

void TestCliRender::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    // clang-format off
    QTest::newRow("sequence file")   << QStringList{"%/a.seq", "%/o.png"}                   << 2 << "render draws electrode";
    QTest::newRow("no output")       << QStringList{"%/cap.elp"}                            << 2 << "render needs IN and OUT";
    QTest::newRow("zero width")      << QStringList{"%/cap.elp", "%/o.png", "--width", "0"} << 2 << "--width takes a whole number";
    QTest::newRow("scale not a number") << QStringList{"%/cap.elp", "%/o.png", "--scale", "big"} << 2 << "--scale takes a number";
    QTest::newRow("missing input")   << QStringList{"%/none.elp", "%/o.png"}                << 1 << "Cannot open";
    QTest::newRow("no electrodes")   << QStringList{"%/empty.elp", "%/o.png"}               << 1 << "No data to display";
    QTest::newRow("no such folder")  << QStringList{"%/cap.elp", "%/missing/o.png"}         << 1 << "Cannot write";
    // clang-format on
}

void TestCliRender::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, message);
    CliRig rig;
    writeElectrodes(rig, "cap.elp", 4);
    QFile empty(rig.path("empty.elp"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.write(Fixtures::ElpWithoutElectrodes);
    empty.close();
    for (QString &a : args)
        a.replace("%", rig.base.home.path());
    const Run run = rig.render(args);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(!QFile::exists(rig.path("o.png")));
    QVERIFY(!QFile::exists(rig.path("missing/o.png")));
}

QTEST_MAIN(TestCliRender)
#include "tst_cli_render.moc"

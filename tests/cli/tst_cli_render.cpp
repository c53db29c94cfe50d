#include "data/electrode_file.h"
#include "data/probe_file.h"
#include "data/shape_file.h"
#include "data/text_grammar.h"
#include "fixtures.h"
#include "pixels.h"
#include "rig.h"

#include <QTest>

class TestCliRender : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void fiducialDotsLandWhereTheyProject_data();
    void fiducialDotsLandWhereTheyProject();
    void matchesTheWindowsPlot_data();
    void matchesTheWindowsPlot();
    void labelsAreDrawnOnRequest();

private:
    // pointra-cli render with the program folder of the run and no display at all.
    Fixtures::Run render(const QStringList &args) const
    {
        return Fixtures::run(POINTRA_CLI, QStringList{"render"} + args,
                             {{"POINTRA_HOME", rig->home.path()},
                              {"QT_QPA_PLATFORM", ""},
                              {"DISPLAY", ""},
                              {"WAYLAND_DISPLAY", ""}});
    }
    QString writeElectrodes(const QString &name, int n);
    QString writeShape();
    QString writeProbe();

    std::unique_ptr<Rig> rig;
};

namespace {
const FidTriple CapFiducials = {Point3(0.102, 0.004, -0.01), Point3(-0.003, 0.074, 0.002),
                                Point3(0.001, -0.071, -0.004)};
}

void TestCliRender::init()
{
    rig = std::make_unique<Rig>();
    rig->start();
}

// A cap of `n` electrodes written as Pointra writes electrode files.
QString TestCliRender::writeElectrodes(const QString &name, int n)
{
    Workspace ws;
    ws.settings = rig->ws.settings;
    ws.sensors.NumSensors = n;
    ws.tevo.resize(n);
    ws.meas.resize(n);
    ws.tevo.Fid = CapFiducials;
    std::vector<QString> names;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * M_PI * i / n;
        ws.tevo.Pos[i] = Point3(0.05 * std::cos(a), 0.05 * std::sin(a), 0.06 + 0.01 * (i % 3));
        ws.meas.Type[i] = QStringLiteral("400");
        names.push_back(QStringLiteral("Ch%1").arg(i + 1));
    }
    ws.tevo.Name = namesAsFixed8(names);
    WriteElectrodeFile(rig->home.path(name), ws);
    return rig->home.path(name);
}

QString TestCliRender::writeShape()
{
    Workspace ws;
    ws.settings = rig->ws.settings;
    ws.ShapeFid = {Point3(0.09, 0, 0), Point3(0, 0.075, 0), Point3(0, -0.075, 0)};
    for (int i = 0; i < 200; ++i) {
        const double a = 2 * M_PI * (i % 20) / 20, b = M_PI / 2 * (i / 20) / 10.0;
        ws.ShapePos.push_back(Point3(0.09 * std::cos(a) * std::cos(b),
                                     0.075 * std::sin(a) * std::cos(b), 0.1 * std::sin(b)));
    }
    ws.NumShapePoints = int(ws.ShapePos.size());
    WriteShapeFile(rig->home.path("head.hsp"), ws);
    return rig->home.path("head.hsp");
}

QString TestCliRender::writeProbe()
{
    Workspace ws;
    ws.settings = rig->ws.settings;
    ws.ProbeFid = {Point3(0.1, 0, 0), Point3(0, 0.08, 0), Point3(0, -0.08, 0)};
    ws.sensors.resize(3);
    for (int s = 0; s < 3; ++s) {
        ws.sensors.SensorType[s] = QStringLiteral("1");
        ws.sensors.SensorName[s] = QStringLiteral("MEG%1").arg(s + 1);
        ws.sensors.ProbeCoil[s][0] = {0.02 * s, 0.03, 0.09, 0, 0, 1};
    }
    WriteProbeFile(rig->home.path("probe.elp"), ws);
    return rig->home.path("probe.elp");
}

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
    const QString out = rig->home.path("cap.png");
    const Fixtures::Run run = render(QStringList{writeElectrodes("cap.elp", 8), out} + options);
    QVERIFY2(run.status == 0, qPrintable(run.err));
    const QImage image(out);
    QCOMPARE(image.size(), size);
    QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
    ViewState view = homeView(size, DisplaySets::Electrodes);
    QFETCH(int, azimuth);
    QFETCH(int, elevation);
    QFETCH(double, scale);
    view.ViewAzimuth = azimuth;
    view.ViewElevation = elevation;
    view.PlotScale = scale;
    const Projection projection(view);
    // The file holds four decimals; the largest fiducial coordinate becomes 5.
    const auto at = [&](int j) {
        return *projection.toPixels(Point3(5 / 0.102 * CapFiducials[j]));
    };
    QVERIFY(Pixels::dotAt(image, at(0), QColor(0, 0, 255), 3));
    QVERIFY(Pixels::dotAt(image, at(1), QColor(255, 0, 0), 3));
    QVERIFY(Pixels::dotAt(image, at(2), QColor(255, 0, 0), 3));
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
    const QString in = file == "cap.elp"    ? writeElectrodes(file, 32)
                       : file == "head.hsp" ? writeShape()
                                            : writeProbe();
    const QString out = rig->home.path("out.png");
    const Fixtures::Run run = render({in, out, "--width", "500", "--height", "380"});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    // The same file opened in the window and shown by its Display menu, plot 500 x 380. File >
    // Open reads every .elp as electrodes; the probe comes in as the probe step leaves it.
    if (file == "probe.elp") {
        LineReader lines(readFileBytes(in));
        ReadProbeFile(lines, rig->ws);
    } else {
        QVERIFY(rig->app.menus.files.openPath(in));
    }
    PointView &view = rig->app.menus.display.view();
    view.setPlotSize(QSize(500, 380));
    QVERIFY(rig->invoke(menu));
    view.renderNow();
    const QImage cli = QImage(out).convertToFormat(view.image().format());
    QVERIFY(Pixels::nonWhite(cli) > 0);
    QCOMPARE(cli, view.image());
}

void TestCliRender::labelsAreDrawnOnRequest()
{
    const QString elp = writeElectrodes("cap.elp", 6);
    QCOMPARE(render({elp, rig->home.path("plain.png")}).status, 0);
    QCOMPARE(render({elp, rig->home.path("named.png"), "--labels"}).status, 0);
    const int plain = Pixels::nonWhite(QImage(rig->home.path("plain.png")));
    const int named = Pixels::nonWhite(QImage(rig->home.path("named.png")));
    // Six names of about three characters each add far more than a few dots.
    QVERIFY2(named > plain + 6 * 3 * 10, qPrintable(QStringLiteral("%1 %2").arg(plain).arg(named)));
}

QTEST_MAIN(TestCliRender)
#include "tst_cli_render.moc"

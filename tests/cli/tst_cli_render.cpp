#include "data/probe_file.h"
#include "data/text_grammar.h"
#include "pixels.h"
#include "rig.h"
#include "sample_files.h"

#include <QTest>

namespace {
// Three sensors, as the probe step writes them.
void writeProbe(const QString &path)
{
    Workspace ws = SampleFiles::withSettings();
    ws.ProbeFid = {Point3(0.1, 0, 0), Point3(0, 0.08, 0), Point3(0, -0.08, 0)};
    ws.sensors.resize(3);
    for (int s = 0; s < 3; ++s) {
        ws.sensors.SensorType[s] = QStringLiteral("1");
        ws.sensors.SensorName[s] = QStringLiteral("MEG%1").arg(s + 1);
        ws.sensors.ProbeCoil[s][0] = {0.02 * s, 0.03, 0.09, 0, 0, 1};
    }
    WriteProbeFile(path, ws);
}
} // namespace

class TestCliRender : public QObject
{
    Q_OBJECT
private slots:
    void init();
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

    std::unique_ptr<Rig> rig;
};

void TestCliRender::init()
{
    rig = std::make_unique<Rig>();
    rig->start();
}

void TestCliRender::matchesTheWindowsPlot_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("options");
    // clang-format off
    QTest::newRow("electrodes")          << "cap.elp"   << "menuDisplayEProbe" << QStringList{};
    QTest::newRow("electrodes, smaller") << "cap.elp"   << "menuDisplayEProbe" << QStringList{"--width", "400", "--height", "300"};
    QTest::newRow("side view, zoomed")   << "cap.elp"   << "menuDisplayEProbe" << QStringList{"--azimuth", "90", "--elevation", "-20", "--scale", "260"};
    QTest::newRow("tilted, square")      << "cap.elp"   << "menuDisplayEProbe" << QStringList{"--width", "320", "--height", "320", "--azimuth", "215", "--elevation", "-60"};
    QTest::newRow("head shape")          << "head.hsp"  << "menuDShape"        << QStringList{"--width", "500", "--height", "380"};
    QTest::newRow("probe")               << "probe.elp" << "menuDProbe"        << QStringList{"--width", "500", "--height", "380"};
    // clang-format on
}

void TestCliRender::matchesTheWindowsPlot()
{
    QFETCH(QString, file);
    QFETCH(QString, menu);
    QFETCH(QStringList, options);
    const QString in = rig->home.path(file);
    if (file == "cap.elp")
        SampleFiles::cap(in, 32);
    else if (file == "head.hsp")
        SampleFiles::shape(in, 200);
    else
        writeProbe(in);
    const QString out = rig->home.path("out.png");
    const Fixtures::Run run = render(QStringList{in, out} + options);
    QVERIFY2(run.status == 0, qPrintable(run.err));
    // The same file opened in the window and shown by its Display menu on a plot of the same
    // size and view. File > Open reads every .elp as electrodes; the probe comes in as the
    // probe step leaves it.
    if (file == "probe.elp") {
        LineReader lines(readFileBytes(in));
        ReadProbeFile(lines, rig->ws);
    } else {
        QVERIFY(rig->app.menus.files.openPath(in));
    }
    const auto option = [&](const char *name, double otherwise) {
        const qsizetype i = options.indexOf(name);
        return i < 0 ? otherwise : options.value(i + 1).toDouble();
    };
    PointView &view = rig->app.menus.display.view();
    view.setPlotSize(QSize(option("--width", 600), option("--height", 450)));
    QVERIFY(rig->invoke(menu));
    ViewState &state = view.state();
    state.ViewAzimuth = option("--azimuth", state.ViewAzimuth);
    state.ViewElevation = option("--elevation", state.ViewElevation);
    state.PlotScale = option("--scale", state.PlotScale);
    view.renderNow();
    const QImage cli = QImage(out).convertToFormat(view.image().format());
    QVERIFY(Pixels::nonWhite(cli) > 0);
    QCOMPARE(cli, view.image());
}

void TestCliRender::labelsAreDrawnOnRequest()
{
    const QString elp = SampleFiles::cap(rig->home.path("cap.elp"), 6);
    QCOMPARE(render({elp, rig->home.path("plain.png")}).status, 0);
    QCOMPARE(render({elp, rig->home.path("named.png"), "--labels"}).status, 0);
    const int plain = Pixels::nonWhite(QImage(rig->home.path("plain.png")));
    const int named = Pixels::nonWhite(QImage(rig->home.path("named.png")));
    // Six names of two characters each add far more than a few dots.
    QVERIFY2(named > plain + 6 * 2 * 10, qPrintable(QStringLiteral("%1 %2").arg(plain).arg(named)));
}

QTEST_MAIN(TestCliRender)
#include "tst_cli_render.moc"

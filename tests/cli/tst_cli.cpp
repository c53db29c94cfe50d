#include "data/meg_files.h"
#include "data/probe_file.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "full_disk.h"
#include "pixels.h"
#include "rig.h"
#include "sample_files.h"
#include "simdig_process.h"

#include <QRegularExpression>
#include <QTest>

#include <cerrno>
#include <cstring>

using Fixtures::Elp;

namespace {
// A program folder with pointra.ini and an electrode file, and pointra-cli run in it.
struct Cli : Fixtures::Home
{
    Cli()
    {
        write("pointra.ini", Fixtures::Ini().text());
        write("e.elp", Elp);
    }
    // `fileLimit` > 0: the program may write no file longer than that.
    Fixtures::Run run(const QStringList &args, const char *program = POINTRA_CLI,
                      const QString &device = {}, rlim_t fileLimit = 0) const
    {
        QMap<QString, QString> env{{"POINTRA_HOME", path()}};
        if (!device.isEmpty())
            env.insert("POINTRA_COMM1", device);
        return Fixtures::run(program, args, env, [fileLimit](QProcess &p) {
            if (fileLimit > 0)
                limitFileSize(p, fileLimit);
        });
    }
    QStringList files() const { return QDir(path()).entryList(QDir::Files); }
};

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

class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void showsAndConverts_data();
    void showsAndConverts();
    void roundtripIsByteExact_data();
    void roundtripIsByteExact();
    void refusedWritesNothing_data();
    void refusedWritesNothing();
    void fullDiskKeepsOldOutput_data();
    void fullDiskKeepsOldOutput();
    void renderMatchesTheWindowsPlot_data();
    void renderMatchesTheWindowsPlot();
    void renderDrawsLabelsOnRequest();
};

// Each run reads a file of the folder ("@name" in the arguments) and must show or write
// `expected`: in what it printed, or in the file `output`.
void TestCli::showsAndConverts_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray sfp =
        "FidT9     -0.0700  0.0000  0.0000\r\nFidNz     0.0000  0.1000  0.0000\r\n"
        "FidT10    0.0700  0.0000  0.0000\r\nFp1       -0.0300  0.0800  0.0400\r\n";
    const QByteArray res = " 0 30.00 -80.00 40.00 0.0 Fp1\n-1 70.00 0.00 0.00 0.0 PAL\n"
                           "-2 -70.00 0.00 0.00 0.0 PAR\n-3 0.00 -100.00 0.00 0.0 NAS\n";
    const QByteArray table = "FidNz 0 9 0\nFidT9 -7 0 0\nFidT10 7 0 0\nCz 0 0 10\n";
    // clang-format off
    QTest::newRow("help")          << "e.elp" << Elp   << QStringList{"--help"}                                    << ""        << QByteArray("roundtrip FILE OUT");
    QTest::newRow("show")          << "e.elp" << Elp   << QStringList{"show", "@e.elp"}                            << ""        << QByteArray("\nFp1       8.00    3.00    4.00\n");
    QTest::newRow("show, count")   << "e.elp" << Elp   << QStringList{"show", "@e.elp"}                            << ""        << QByteArray(" 2 electrodes");
    QTest::newRow("show, comma")   << "e.elp" << Elp   << QStringList{"--decimal", "comma", "show", "@e.elp"}     << ""        << QByteArray("Fp1       8,00    3,00    4,00");
    QTest::newRow("to BESA")       << "e.elp" << Elp   << QStringList{"convert", "--to", "besa", "@e.elp", "@b.sfp"} << "b.sfp" << QByteArray("LPA       -0.0700  0.0000  0.0000\r\n");
    QTest::newRow("BESA names")    << "e.elp" << Elp   << QStringList{"convert", "--to", "besa", "@e.elp", "@b.sfp"} << "b.ela" << QByteArray("EEG\tFp1     \r\nEEG\tCz      \r\n");
    QTest::newRow("to Curry")      << "e.elp" << Elp   << QStringList{"convert", "--to", "curry", "@e.elp", "@c.res"} << "c.res" << QByteArray(" 0 30.00 -80.00 40.00 0.0 Fp1\n");
    QTest::newRow("show Curry")    << "c.res" << res   << QStringList{"show", "@c.res"}                            << ""        << QByteArray("values are in millimeters");
    QTest::newRow("table to TEVO") << "t.txt" << table << QStringList{"convert", "--to", "tevo", "@t.txt", "@t.elp"} << "t.elp" << QByteArray("%N\tCz      \r\n0.0000\t0.0000\t0.1000\r\n");
    // The BESA import reads centimetres: metres written by Pointra come back scaled by 0.01.
    QTest::newRow("BESA to TEVO")  << "b.sfp" << sfp   << QStringList{"convert", "--to", "tevo", "@b.sfp", "@t.elp"} << "t.elp" << QByteArray("%N\tFp1     \r\n0.0008\t0.0003\t0.0004\r\n");
    // clang-format on
}

void TestCli::showsAndConverts()
{
    QFETCH(QString, input);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, args);
    QFETCH(QString, output);
    QFETCH(QByteArray, expected);
    Cli cli;
    cli.write(input, bytes);
    const Fixtures::Run r =
        cli.run(args.replaceInStrings(QRegularExpression("^@"), cli.path() + "/"));
    QVERIFY2(r.status == 0, qPrintable(r.err));
    const QByteArray got = output.isEmpty() ? (r.out + r.err).toLocal8Bit() : cli.read(output);
    QVERIFY2(got.contains(expected), got.constData());
}

void TestCli::roundtripIsByteExact_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    // clang-format off
    QTest::newRow("sequence") << "s.seq" << QByteArray("3\t2\r\n1\r\nNasion\t1\r\nCz\t400\r\n");
    QTest::newRow("shape") << "s.hsp" << QByteArray("3\t200\r\n//Shape file\r\n//Minor revision number\r\n2\r\n//Subject name\r\n%N\tAnna    \r\n//Shape code, number of digitized points\r\n0\t1\r\n//Position of fiducials X+, Y+, Y- on the subject\r\n%F\t0.1000\t0.0000\t0.0000\r\n%F\t0.0000\t0.0700\t0.0000\r\n%F\t0.0000\t-0.0700\t0.0000\r\n//No of rows, no of columns; position of digitized points\r\n1\t3\r\n0.0100\t0.0200\t0.0300\r\n");
    // clang-format on
}

void TestCli::roundtripIsByteExact()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    Cli cli;
    const QString out = "out." + name.right(3);
    QCOMPARE(cli.run({"roundtrip", cli.write(name, bytes), cli.path(out)}).status, 0);
    QCOMPARE(cli.read(out), bytes);
}

// Every refusal says why and leaves the folder as it was; "@name" is a file of the folder.
void TestCli::refusedWritesNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    // clang-format off
    QTest::newRow("nothing")              << QStringList{}                                                  << 2 << "roundtrip FILE OUT";
    QTest::newRow("unknown command")      << QStringList{"frobnicate"}                                      << 2 << "roundtrip FILE OUT";
    QTest::newRow("convert without --to") << QStringList{"convert", "@e.elp", "@b.sfp"}                     << 2 << "roundtrip FILE OUT";
    QTest::newRow("bad decimal")          << QStringList{"--decimal", "dot", "show", "@e.elp"}              << 2 << "roundtrip FILE OUT";
    QTest::newRow("unknown route")        << QStringList{"convert", "--to", "curry", "--from", "besa", "@a.sfp", "@b.res"} << 2 << "roundtrip FILE OUT";
    QTest::newRow("show without file")    << QStringList{"show"}                                            << 2 << "roundtrip FILE OUT";
    QTest::newRow("Curry into .txt")      << QStringList{"convert", "--to", "curry", "@e.elp", "@c.txt"}    << 2 << "needs the extension .res";
    QTest::newRow("BESA into .elp")       << QStringList{"convert", "--to", "besa", "@e.elp", "@b.elp"}     << 2 << "needs the extension .sfp";
    QTest::newRow("BESA, no extension")   << QStringList{"convert", "--to", "besa", "@e.elp", "@cap"}       << 2 << "needs the extension .sfp";
    QTest::newRow("Curry, mixed case")    << QStringList{"convert", "--to", "curry", "@e.elp", "@c.Res"}    << 2 << "needs the extension .res";
    QTest::newRow("missing file")         << QStringList{"show", "/no/such/file.elp"}                       << 1 << "Error number 75";
    QTest::newRow("wrong type")           << QStringList{"show", "@bad.elp"}                                << 1 << "wrong file type";
    QTest::newRow("dewar written")        << QStringList{"roundtrip", "@d.dwr", "@out.dwr"}                 << 1 << "read, never written";
    QTest::newRow("unwritable output")    << QStringList{"roundtrip", "@e.elp", "/no/such/dir/out.elp"}     << 1 << "Cannot write";
    QTest::newRow("render a sequence")    << QStringList{"render", "@a.seq", "@o.png"}                      << 2 << "render draws electrode";
    QTest::newRow("render, no output")    << QStringList{"render", "@e.elp"}                                << 2 << "render needs IN and OUT";
    QTest::newRow("render zero width")    << QStringList{"render", "@e.elp", "@o.png", "--width", "0"}      << 2 << "--width takes a whole number";
    QTest::newRow("render scale word")    << QStringList{"render", "@e.elp", "@o.png", "--scale", "big"}    << 2 << "--scale takes a number";
    QTest::newRow("render missing input") << QStringList{"render", "@none.elp", "@o.png"}                   << 1 << "Cannot open";
    QTest::newRow("render no electrodes") << QStringList{"render", "@empty.elp", "@o.png"}                  << 1 << "No data to display";
    QTest::newRow("render no folder")     << QStringList{"render", "@e.elp", "@missing/o.png"}              << 1 << "Cannot write";
    QTest::newRow("digitize, no out")     << QStringList{"digitize", "--sequence", "a.seq"}                 << 2 << "--out";
    QTest::newRow("digitize to .hsp")     << QStringList{"digitize", "--sequence", "a.seq", "--out", "@a.hsp"} << 2 << ".elp, .sfp or .res";
    QTest::newRow("digitize two sources") << QStringList{"digitize", "--sequence", "a.seq", "--resume", "j", "--out", "@a.elp"} << 2 << "either";
    QTest::newRow("dewar without dwr")    << QStringList{"digitize", "--step", "dewar", "--out", "@a.clb"}  << 2 << "--dewar";
    QTest::newRow("dewar writes clb")     << QStringList{"digitize", "--step", "dewar", "--dewar", "d.dwr", "--out", "@a.fid"} << 2 << ".clb";
    QTest::newRow("subject receivers")    << QStringList{"digitize", "--step", "subject", "--receivers", "3", "--out", "@a.fid"} << 2 << "1 or 2";
    QTest::newRow("unknown step")         << QStringList{"digitize", "--step", "probe", "--out", "@a.hsp"}  << 2 << "dewar, subject or shape";
    QTest::newRow("bad receivers")        << QStringList{"digitize", "--sequence", "a.seq", "--receivers", "x", "--out", "@a.elp"} << 2 << "--receivers";
    // clang-format on
}

void TestCli::refusedWritesNothing()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, says);
    Cli cli;
    cli.write("d.dwr", "3\t2\r\n");
    cli.write("empty.elp", Fixtures::ElpWithoutElectrodes);
    cli.write("bad.elp", "not a pointra file");
    const QStringList before = cli.files();
    const Fixtures::Run r =
        cli.run(args.replaceInStrings(QRegularExpression("^@"), cli.path() + "/"));
    QCOMPARE(r.status, status);
    QVERIFY2(r.err.contains(says), qPrintable(r.err));
    QCOMPARE(cli.files(), before);
    QVERIFY(!QFileInfo::exists(cli.path("missing")));
}

void TestCli::fullDiskKeepsOldOutput_data()
{
    QTest::addColumn<bool>("probeRun");
    QTest::addColumn<bool>("realDisk");
    // clang-format off
    QTest::newRow("pointra-cli, file size limit") << false << false;
    QTest::newRow("pointra-cli, full tmpfs")      << false << true;
    QTest::newRow("probe run, file size limit")   << true  << false;
    QTest::newRow("probe run, full tmpfs")        << true  << true;
    // clang-format on
}

void TestCli::fullDiskKeepsOldOutput()
{
    QFETCH(bool, probeRun);
    QFETCH(bool, realDisk);
    const QByteArray old = "the old output\r\n";
    Cli cli;
    SmallDisk disk;
    QString out = cli.path("out.elp");
    if (realDisk) {
        if (!disk.mounted())
            QSKIP(qPrintable(disk.why()));
        out = disk.path("out.elp");
        QVERIFY(disk.placeAndFill("out.elp", old));
    } else {
        cli.write("out.elp", old);
    }
    // Calibration and fiducials files the probe run accepts.
    Workspace ws;
    ws.settings = {DigitizerModel::Fastrak, "TEVO", "Period", "0,0,1", 1, "OFF"};
    ws.m.MCalib = ws.m.MFida = Transform4::Identity();
    ws.ReceiverCount = 1;
    ws.ReceiverFid.assign(1, {Point3(0.1, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)});
    ws.sensors.resize(2);
    ws.sensors.SensorName = {Fixed8("MEG0111"), Fixed8("MEG0121")};
    ws.sensors.SensorType = {"1", "1"};
    ws.sensors.SensorCoil[0][0] = {0.02, 0.01, -0.05, 0, 0, 1};
    ws.sensors.SensorCoil[1][0] = {-0.03, 0.04, -0.06, 0, 0.6, 0.8};
    WriteCalibrationFile(cli.path("cal.clb"), ws);
    WriteFiducialsFile(cli.path("subj.fid"), ws);
    // Below the size of what is written, above that of the settings file.
    const rlim_t limit = realDisk ? 0 : 200;
    auto runOnce = [&](rlim_t fileLimit) {
        if (!probeRun)
            return cli.run({"roundtrip", cli.path("e.elp"), out}, POINTRA_CLI, {}, fileLimit);
        SimdigProcess sim({"--model", "fastrak", "--dewar", "--receivers", "1", "--noise", "0"});
        return cli.run({cli.path("cal.clb"), cli.path("subj.fid"), out}, POINTRA_BIN, sim.device(),
                       fileLimit);
    };
    Fixtures::Run r = runOnce(limit);
    QCOMPARE(r.status, 1);
    const QString reason = QString::fromLocal8Bit(std::strerror(realDisk ? ENOSPC : EFBIG));
    QVERIFY2(r.err.contains(reason), qPrintable(r.err));
    QVERIFY2(r.err.contains(QDir::toNativeSeparators(out)), qPrintable(r.err));
    QCOMPARE(readFileBytes(out), old);
    QCOMPARE(QDir(QFileInfo(out).absolutePath()).entryList({"out*"}, QDir::Files | QDir::Hidden),
             QStringList{"out.elp"});
    if (realDisk)
        return;
    // Without the limit the same run writes the file.
    r = runOnce(0);
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QVERIFY(readFileBytes(out).startsWith("3\t2\r\n//Probe file\r\n"));
}

void TestCli::renderMatchesTheWindowsPlot_data()
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

void TestCli::renderMatchesTheWindowsPlot()
{
    QFETCH(QString, file);
    QFETCH(QString, menu);
    QFETCH(QStringList, options);
    // pointra-cli render with no display at all; the window on the same program folder.
    Rig rig;
    rig.start();
    const auto render = [&](const QStringList &args) {
        return Fixtures::run(POINTRA_CLI, QStringList{"render"} + args,
                             {{"POINTRA_HOME", rig.home.path()},
                              {"QT_QPA_PLATFORM", ""},
                              {"DISPLAY", ""},
                              {"WAYLAND_DISPLAY", ""}});
    };
    const QString in = rig.home.path(file);
    if (file == "cap.elp")
        SampleFiles::cap(in, 32);
    else if (file == "head.hsp")
        SampleFiles::shape(in, 200);
    else
        writeProbe(in);
    const QString out = rig.home.path("out.png");
    const Fixtures::Run run = render(QStringList{in, out} + options);
    QVERIFY2(run.status == 0, qPrintable(run.err));
    // The same file opened in the window and shown by its Display menu on a plot of the same
    // size and view. File > Open reads every .elp as electrodes; the probe comes in as the
    // probe step leaves it.
    if (file == "probe.elp") {
        LineReader lines(readFileBytes(in));
        ReadProbeFile(lines, rig.ws);
    } else {
        QVERIFY(rig.app.menus.files.openPath(in));
    }
    const auto option = [&](const char *name, double otherwise) {
        const qsizetype i = options.indexOf(name);
        return i < 0 ? otherwise : options.value(i + 1).toDouble();
    };
    PointView &view = rig.app.menus.display.view();
    view.setPlotSize(QSize(option("--width", 600), option("--height", 450)));
    QVERIFY(rig.invoke(menu));
    ViewState &state = view.state();
    state.ViewAzimuth = option("--azimuth", state.ViewAzimuth);
    state.ViewElevation = option("--elevation", state.ViewElevation);
    state.PlotScale = option("--scale", state.PlotScale);
    view.renderNow();
    const QImage cli = QImage(out).convertToFormat(view.image().format());
    QVERIFY(Pixels::nonWhite(cli) > 0);
    QCOMPARE(cli, view.image());
}

void TestCli::renderDrawsLabelsOnRequest()
{
    Cli cli;
    const QString elp = SampleFiles::cap(cli.path("cap.elp"), 6);
    QCOMPARE(cli.run({"render", elp, cli.path("plain.png")}).status, 0);
    QCOMPARE(cli.run({"render", elp, cli.path("named.png"), "--labels"}).status, 0);
    const int plain = Pixels::nonWhite(QImage(cli.path("plain.png")));
    const int named = Pixels::nonWhite(QImage(cli.path("named.png")));
    // Six names of two characters each add far more than a few dots.
    QVERIFY2(named > plain + 6 * 2 * 10, qPrintable(QStringLiteral("%1 %2").arg(plain).arg(named)));
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"

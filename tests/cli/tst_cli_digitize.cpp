#include "data/transform4.h"
#include "digitizer/emulator/digitizer_emulator.h"
#include "simdig_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {
const QByteArray Ini =
    "Digitizer Type=FASTRAK\r\nCoordinate System=TEVO\r\nDecimal Point=Period\r\n"
    "Hemisphere=0,0,1\r\nnCommPort= 1\r\nSound=OFF\r\n";

// A dewar with two sensors; the fiducials file values are not used by the measurement.
const QByteArray Dewar = "3\t2\r\n//Dewar file\r\n1\r\n%N\tTestDwr\r\n1\t2\r\n"
                         "%F\t0.1\t0\t0\r\n%F\t0\t0.1\t0\r\n%F\t0\t-0.1\t0\r\n"
                         "%S\t1\r\n%N\tS1\r\n0\t0\t0.05\t0\t0\t1\r\n0.01\t0.02\t1\r\n"
                         "0\t0\t0.07\t0\t0\t1\r\n0.01\t0.02\t1\r\n0\t0\t0.09\t0\t0\t1\r\n"
                         "0.01\t0.02\t1\r\n%S\t1\r\n%N\tS2\r\n0.02\t0\t0.05\t0\t0\t1\r\n"
                         "0.01\t0.02\t1\r\n0.02\t0\t0.07\t0\t0\t1\r\n0.01\t0.02\t1\r\n"
                         "0.02\t0\t0.09\t0\t0\t1\r\n0.01\t0.02\t1\r\n";

QString templatePath(const QString &name)
{
    return QStringLiteral(POINTRA_SOURCE_DIR "/data/templates/") + name;
}

// The site of the virtual head a prompt names.
QString siteOf(const QString &prompt)
{
    QString name = prompt.section(QStringLiteral("  "), 1).section(QStringLiteral(" / "), 0, 0);
    if (name == QLatin1String("Left Preauricular"))
        return QStringLiteral("LPA");
    if (name == QLatin1String("Right Preauricular"))
        return QStringLiteral("RPA");
    return name;
}

// A different small head movement after every point, the same in every run.
QByteArray moveAfter(int point)
{
    return QStringLiteral("move-head %1 %2 %3 %4 %5 %6\n")
        .arg(0.3 * (point % 3) - 0.3)
        .arg(0.2 * (point % 2))
        .arg(-0.1 * (point % 4))
        .arg(1.5 * (point % 5) - 3)
        .arg(-(point % 3))
        .arg(2 * (point % 2) - 1)
        .toLatin1();
}

// pointra-cli digitize in a child process, read prompt by prompt.
class Cli
{
public:
    Cli(const QString &home, const QString &device, const QStringList &args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("POINTRA_HOME", home);
        env.insert("POINTRA_COMM1", device);
        m_p.setProcessEnvironment(env);
        m_p.start(QStringLiteral(POINTRA_CLI), QStringList{"digitize"} + args);
        m_p.waitForStarted(5000);
    }
    ~Cli()
    {
        if (m_p.state() != QProcess::NotRunning) {
            m_p.kill();
            m_p.waitForFinished(3000);
        }
    }
    void keys(const QByteArray &k, bool thenEnd)
    {
        m_p.write(k);
        m_p.waitForBytesWritten(1000);
        if (thenEnd)
            m_p.closeWriteChannel();
    }
    // The next prompt line, or an empty text when none comes within `ms`.
    QString line(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (!m_p.canReadLine()) {
            if (t.elapsed() > ms || (m_p.state() == QProcess::NotRunning && !m_p.canReadLine()))
                return {};
            // Lets the other child's pending stdin reach it as well.
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            m_p.waitForReadyRead(20);
        }
        const QString l = QString::fromLocal8Bit(m_p.readLine()).trimmed();
        prompts << l;
        return l;
    }
    int finish(int ms = 20000)
    {
        m_p.waitForFinished(ms);
        while (m_p.canReadLine())
            prompts << QString::fromLocal8Bit(m_p.readLine()).trimmed();
        err = QString::fromLocal8Bit(m_p.readAllStandardError());
        return m_p.state() == QProcess::NotRunning && m_p.exitStatus() == QProcess::NormalExit
                   ? m_p.exitCode()
                   : -1;
    }
    void kill9()
    {
        m_p.kill();
        m_p.waitForFinished(3000);
    }
    QStringList prompts;
    QString err;

private:
    QProcess m_p;
};

// Sends stylus commands that end with a press and returns the prompt that follows; the button
// is pressed once more when none follows (a press while a wait opens is not a reading).
QString answer(Cli &cli, SimdigProcess &sim, const QByteArray &commands)
{
    sim.send("wait 550\n" + commands);
    QString next = cli.line(3000);
    for (int tries = 0; next.isEmpty() && tries < 3; ++tries) {
        sim.send("press\n");
        next = cli.line(3000);
    }
    return next;
}

// Answers each "Digitize  NAME" prompt by touching the site and pressing the stylus, moving the
// head after each point. Stops after `points` points, or at the end of the prompts; returns the
// points taken.
int touchAlong(Cli &cli, SimdigProcess &sim, int first, int points)
{
    int taken = 0;
    QString prompt = cli.line(15000);
    while (taken < points && prompt.startsWith(QLatin1String("Digitize  "))) {
        const int point = first + taken;
        prompt =
            answer(cli, sim, "touch " + siteOf(prompt).toLatin1() + "\npress\n" + moveAfter(point));
        ++taken;
    }
    return taken;
}

using Sites = QHash<QString, Point3>;

Sites listSites()
{
    QProcess p;
    p.start(QStringLiteral(POINTRA_SIMDIG), {"--list-sites"});
    p.waitForFinished(5000);
    Sites sites;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> w = line.simplified().split(' ');
        if (w.size() == 4 && !line.startsWith('#'))
            sites.insert(QString::fromLatin1(w[0]),
                         Point3(w[1].toDouble(), w[2].toDouble(), w[3].toDouble()));
    }
    return sites;
}

// The fiducials and electrodes of an .elp file, in centimetres, by name.
Sites readElp(const QString &path, QStringList *order = nullptr)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"));
    auto numbers = [](const QString &l) -> Point3 {
        const QStringList w = l.split(QLatin1Char('\t'), Qt::SkipEmptyParts);
        return Point3(w.value(w.size() - 3).toDouble(), w.value(w.size() - 2).toDouble(),
                      w.value(w.size() - 1).toDouble()) *
               100.0;
    };
    Sites out;
    const char *fids[] = {"Nasion", "LPA", "RPA"};
    int fid = 0;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith(QLatin1String("%F")) && fid < 3)
            out.insert(QString::fromLatin1(fids[fid++]), numbers(lines[i]));
        if (lines[i].startsWith(QLatin1String("%N")) && i + 1 < lines.size() && fid == 3) {
            const QString name = lines[i].mid(3).trimmed();
            out.insert(name, numbers(lines[i + 1]));
            if (order)
                *order << name;
        }
    }
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The numbers of the "%F" lines of a file, in order.
QList<QList<double>> fLines(const QString &path)
{
    QList<QList<double>> out;
    for (const QString &l : QString::fromLatin1(fileBytes(path)).split(QStringLiteral("\r\n"))) {
        if (!l.startsWith(QLatin1String("%F")))
            continue;
        QList<double> v;
        for (const QString &w : l.mid(3).split(QLatin1Char('\t'), Qt::SkipEmptyParts))
            v << w.toDouble();
        out << v;
    }
    return out;
}
} // namespace

// pointra-cli digitize through a real pseudo-terminal served by pointra-simdig.
class TestCliDigitize : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_home;
    QString path(const QString &name) const { return m_home.filePath(name); }
    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private slots:
    void init();
    void listSitesCoversTheTemplates();
    void digitizesACapAndResumesAfterAKill();
    void cancelWritesNothing();
    void aLostDeviceWritesNothing();
    void inputEndingBeforeTheLoopWritesNothing();
    void dewarStepWritesTheCalibration();
    void subjectStepWritesTheFiducials();
    void usageErrors_data();
    void usageErrors();
};

void TestCliDigitize::init()
{
    QDir(m_home.path()).removeRecursively();
    QDir().mkpath(m_home.path());
    writeFile("pointra.ini", Ini);
}

void TestCliDigitize::listSitesCoversTheTemplates()
{
    const Sites sites = listSites();
    for (const char *t : {"pnt32.seq", "pnt64.seq", "pnt1020.seq"}) {
        QFile f(templatePath(QString::fromLatin1(t)));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        for (int i = 2; i < lines.size(); ++i) {
            const QString name = QString::fromLatin1(lines[i].split('\t').value(0)).trimmed();
            if (!name.isEmpty())
                QVERIFY2(sites.contains(name), qPrintable(name + " in " + t));
        }
    }
    // The head frame: the nasion on +x, the preauricular points on y, symmetric about the origin.
    QVERIFY(sites["Nasion"].x() > 5 && std::abs(sites["Nasion"].y()) < 1e-3);
    QVERIFY(std::abs(sites["Nasion"].z()) < 1e-3);
    QVERIFY((sites["LPA"] + sites["RPA"]).norm() < 1e-3 && sites["LPA"].y() > 5);
    QVERIFY(sites["Cz"].z() > 10);
}

void TestCliDigitize::digitizesACapAndResumesAfterAKill()
{
    const QString seq = templatePath("pnt64.seq");
    const Sites truth = listSites();
    {
        SimdigProcess sim({"--noise", "0", "--receivers", "1"});
        QVERIFY(sim.ok());
        Cli cli(m_home.path(), sim.device(),
                {"--sequence", seq, "--out", path("whole.elp"), "--receivers", "1"});
        cli.keys("n\nn\n", true);
        QCOMPARE(cli.line(10000), QString("Mount the receiver / on the subject."));
        QCOMPARE(cli.line(10000), QString("Place the transmitter / near the subject."));
        QCOMPARE(touchAlong(cli, sim, 1, 1000), 67);
        QCOMPARE(cli.finish(), 0);
        QVERIFY2(cli.err.contains("wrote"), qPrintable(cli.err));
    }
    QStringList order;
    const Sites measured = readElp(path("whole.elp"), &order);
    QCOMPARE(measured.size(), 67);
    QCOMPARE(order.first(), QString("Fp1"));
    QCOMPARE(order.last(), QString("TP10"));
    for (auto it = measured.cbegin(); it != measured.cend(); ++it)
        QVERIFY2((it.value() - truth.value(it.key())).norm() < 0.1,
                 qPrintable(QStringLiteral("%1: %2 %3 %4 against %5 %6 %7")
                                .arg(it.key())
                                .arg(it.value().x())
                                .arg(it.value().y())
                                .arg(it.value().z())
                                .arg(truth.value(it.key()).x())
                                .arg(truth.value(it.key()).y())
                                .arg(truth.value(it.key()).z())));
    // A finished, saved measurement leaves no journal.
    QVERIFY(!QFile::exists(path("pointra.journal")));

    // The same run killed halfway, then resumed from its journal.
    SimdigProcess sim({"--noise", "0", "--receivers", "1"});
    QVERIFY(sim.ok());
    {
        Cli cli(m_home.path(), sim.device(),
                {"--sequence", seq, "--out", path("resumed.elp"), "--receivers", "1"});
        cli.keys("n\nn\n", true);
        cli.line(10000);
        cli.line(10000);
        QCOMPARE(touchAlong(cli, sim, 1, 33), 33);
        cli.kill9();
    }
    QVERIFY(QFile::exists(path("pointra.journal")));
    QVERIFY(!QFile::exists(path("resumed.elp")));
    {
        Cli cli(m_home.path(), sim.device(),
                {"--resume", path("pointra.journal"), "--out", path("resumed.elp")});
        cli.keys("", true);
        QCOMPARE(touchAlong(cli, sim, 34, 1000), 34);
        QCOMPARE(cli.finish(), 0);
        QCOMPARE(cli.prompts.first(), QString("Digitize  Cz"));
    }
    QCOMPARE(fileBytes(path("resumed.elp")), fileBytes(path("whole.elp")));
    QVERIFY(!QFile::exists(path("pointra.journal")));
}

void TestCliDigitize::cancelWritesNothing()
{
    SimdigProcess sim({"--noise", "0"});
    QVERIFY(sim.ok());
    Cli cli(m_home.path(), sim.device(),
            {"--sequence", templatePath("pnt32.seq"), "--out", path("out.sfp")});
    cli.keys("n\nn\n", false);
    cli.line(10000);
    cli.line(10000);
    QCOMPARE(touchAlong(cli, sim, 1, 2), 2);
    cli.keys("c\n", true);
    QCOMPARE(cli.finish(), 1);
    QVERIFY(cli.err.contains("cancelled"));
    QVERIFY(!QFile::exists(path("out.sfp")));
    QVERIFY(!QFile::exists(path("out.ela")));
    QVERIFY(!QFile::exists(path("pointra.journal")));
}

void TestCliDigitize::aLostDeviceWritesNothing()
{
    auto sim = std::make_unique<SimdigProcess>(QStringList{"--noise", "0"});
    QVERIFY(sim->ok());
    Cli cli(m_home.path(), sim->device(),
            {"--sequence", templatePath("pnt32.seq"), "--out", path("out.elp")});
    cli.keys("n\nn\n", true);
    cli.line(10000);
    cli.line(10000);
    QCOMPARE(touchAlong(cli, *sim, 1, 3), 3);
    sim.reset();
    QCOMPARE(cli.finish(10000), 1);
    QVERIFY2(cli.err.contains("the digitizer was lost"), qPrintable(cli.err));
    QVERIFY(!QFile::exists(path("out.elp")));
    // What was taken can still be recovered.
    QVERIFY(QFile::exists(path("pointra.journal")));
}

void TestCliDigitize::inputEndingBeforeTheLoopWritesNothing()
{
    SimdigProcess sim({"--noise", "0"});
    QVERIFY(sim.ok());
    Cli cli(m_home.path(), sim.device(),
            {"--sequence", templatePath("pnt32.seq"), "--out", path("out.elp")});
    cli.keys("n\n", true);
    QCOMPARE(cli.finish(10000), 1);
    QCOMPARE(cli.prompts, QStringList({"Mount the receiver / on the subject.",
                                       "Place the transmitter / near the subject."}));
    QVERIFY(cli.err.contains("input ended"));
    QVERIFY(!QFile::exists(path("out.elp")));
}

void TestCliDigitize::dewarStepWritesTheCalibration()
{
    writeFile("dewar.dwr", Dewar);
    SimdigProcess sim({"--noise", "0", "--dewar"});
    QVERIFY(sim.ok());
    Cli cli(m_home.path(), sim.device(),
            {"--step", "dewar", "--dewar", path("dewar.dwr"), "--out", path("cal.clb")});
    cli.keys("n\n", true);
    QCOMPARE(cli.line(10000), QString("Place the transmitter / near the dewar."));
    const Point3 fid[] = {{12, 0, 16}, {0, 11, 16}, {0, -11, 16}};
    QString prompt = cli.line(10000);
    for (int pass = 0; pass < 2; ++pass) {
        for (int f = 0; f < 3; ++f) {
            QVERIFY2(prompt.startsWith("Place the stylus / at dewar fiducial"), qPrintable(prompt));
            prompt = answer(cli, sim,
                            QStringLiteral("touch %1 %2 %3\npress\n")
                                .arg(fid[f].x())
                                .arg(fid[f].y())
                                .arg(fid[f].z())
                                .toLatin1());
        }
    }
    QCOMPARE(prompt, QString("Delta - F1: 0.00 cm / Delta - F2: 0.00 cm / Delta - F3: 0.00 cm"));
    QCOMPARE(cli.finish(), 0);
    // MCalib takes the dewar frame into the frame of the dewar's receiver.
    DigitizerEmulator emu({DigitizerModel::Fastrak, 2, 0, 1});
    const Transform4 head = emu.headPose();
    auto onTransmitter = [&](const Point3 &cm) {
        return Point3(head.block<3, 3>(0, 0) * (cm * 0.01) + head.block<3, 1>(0, 3));
    };
    const Point3 origin = (onTransmitter(fid[1]) + onTransmitter(fid[2])) / 2;
    const Transform4 toReceiver = DigitizerEmulator::dewarReceiverPose().inverse();
    const Point3 expected = toReceiver.block<3, 3>(0, 0) * origin + toReceiver.block<3, 1>(0, 3);
    const QString text = QString::fromLatin1(fileBytes(path("cal.clb")));
    const qsizetype at = text.indexOf("//Calibration matrix");
    QVERIFY(at > 0);
    QList<double> column;
    for (const QString &l : text.mid(at).split("\r\n").mid(1, 3))
        column << l.split('\t', Qt::SkipEmptyParts).value(4).toDouble();
    QCOMPARE(column.size(), 3);
    QVERIFY((Point3(column[0], column[1], column[2]) - expected).norm() < 3e-4);
    QVERIFY(text.contains("%N\tS2"));
}

void TestCliDigitize::subjectStepWritesTheFiducials()
{
    SimdigProcess sim({"--noise", "0", "--dewar"});
    QVERIFY(sim.ok());
    Cli cli(m_home.path(), sim.device(), {"--step", "subject", "--out", path("s.fid")});
    cli.keys("n\nn\n", true);
    QCOMPARE(cli.line(10000), QString("Mount the receiver / on the subject."));
    QCOMPARE(cli.line(10000), QString("Place the transmitter / near the subject."));
    QString prompt = cli.line(10000);
    for (int i = 0; i < 6; ++i) {
        QVERIFY2(prompt.startsWith("Place the stylus / at subject fiducial"), qPrintable(prompt));
        const char *site = prompt.contains("X+") ? "Nasion" : prompt.contains("Y+") ? "LPA" : "RPA";
        prompt = answer(cli, sim,
                        QByteArray("touch ") + site + "\npress\n" +
                            (i == 2 ? "move-head 0.4 0 0 0 0 0\n" : ""));
    }
    QCOMPARE(prompt, QString("Delta - F1: 0.40 cm / Delta - F2: 0.40 cm / Delta - F3: 0.40 cm"));
    QCOMPARE(cli.finish(), 0);
    // Through MFida, the fiducials in the head receiver's frame land on the subject's axes.
    const QList<QList<double>> f = fLines(path("s.fid"));
    QCOMPARE(f.size(), 3 + 8);
    Transform4 m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m(r, c) = f[3 + r].value(c);
    auto apply = [&](int row) {
        const Point3 p(f[row].value(0), f[row].value(1), f[row].value(2));
        return Point3(m.block<3, 3>(0, 0) * p + m.block<3, 1>(0, 3));
    };
    QVERIFY(apply(0).x() > 0.05 && std::abs(apply(0).y()) < 3e-4 && std::abs(apply(0).z()) < 3e-4);
    QVERIFY(apply(1).y() > 0.05 && std::abs(apply(1).z()) < 3e-4);
    QVERIFY((apply(1) + apply(2)).norm() < 3e-4);
}

void TestCliDigitize::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("says");
    // clang-format off
    QTest::newRow("no out")            << QStringList{"--sequence", "a.seq"}                              << "--out";
    QTest::newRow("wrong extension")   << QStringList{"--sequence", "a.seq", "--out", "a.hsp"}            << ".elp, .sfp or .res";
    QTest::newRow("both sources")      << QStringList{"--sequence", "a.seq", "--resume", "j", "--out", "a.elp"} << "either";
    QTest::newRow("dewar without dwr") << QStringList{"--step", "dewar", "--out", "a.clb"}               << "--dewar";
    QTest::newRow("dewar writes clb")  << QStringList{"--step", "dewar", "--dewar", "d.dwr", "--out", "a.fid"} << ".clb";
    QTest::newRow("subject receivers") << QStringList{"--step", "subject", "--receivers", "3", "--out", "a.fid"} << "1 or 2";
    QTest::newRow("unknown step")      << QStringList{"--step", "probe", "--out", "a.hsp"}               << "dewar, subject or shape";
    QTest::newRow("bad receivers")     << QStringList{"--sequence", "a.seq", "--receivers", "x", "--out", "a.elp"} << "--receivers";
    // clang-format on
}

void TestCliDigitize::usageErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, says);
    Cli cli(m_home.path(), path("no-device"), args);
    cli.keys("", true);
    QCOMPARE(cli.finish(), 2);
    QVERIFY2(cli.err.contains(says), qPrintable(cli.err));
}

QTEST_GUILESS_MAIN(TestCliDigitize)
#include "tst_cli_digitize.moc"

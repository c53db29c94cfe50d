#include "data/meg_files.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "digitizer/emulator/digitizer_emulator.h"
#include "geometry/frames.h"
#include "simdig_process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QSemaphore>
#include <QTest>
#include <functional>

namespace {
const QString Templates = QStringLiteral(POINTRA_SOURCE_DIR "/data/templates/");
const QStringList OneHeadReceiver = {"--noise", "0", "--receivers", "1"};
const FidTriple DewarCm = {Point3(12, 0, 16), Point3(0, 11, 16), Point3(0, -11, 16)};

using Sites = QHash<QString, Point3>;

// What the virtual head of pointra-simdig holds, in centimetres of its head frame.
Sites listSites()
{
    QProcess p;
    p.start(QStringLiteral(POINTRA_SIMDIG), {"--list-sites"});
    p.waitForFinished(5000);
    Sites sites;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> w = line.simplified().split(' ');
        if (w.size() == 4 && !line.startsWith('#'))
            sites.insert(w[0], Point3(w[1].toDouble(), w[2].toDouble(), w[3].toDouble()));
    }
    return sites;
}

// The fiducials (as Nasion, LPA, RPA) and the electrodes of an .elp file in file order, cm.
QList<std::pair<QString, Point3>> readElp(const QByteArray &bytes)
{
    const QStringList lines = QString::fromLatin1(bytes).split("\r\n");
    const QStringList fiducials = {"Nasion", "LPA", "RPA"};
    QList<std::pair<QString, Point3>> out;
    for (int i = 0; i + 1 < lines.size(); ++i) {
        const bool fiducial = lines[i].startsWith("%F") && out.size() < 3;
        if (!fiducial && !(lines[i].startsWith("%N") && out.size() >= 3))
            continue;
        const QStringList w = (fiducial ? lines[i].mid(3) : lines[i + 1]).split('\t');
        out.append({fiducial ? fiducials[out.size()] : lines[i].mid(3).trimmed(),
                    100 * Point3(w.value(0).toDouble(), w.value(1).toDouble(),
                                 w.value(2).toDouble())});
    }
    return out;
}

// One program folder with its pointra-cli digitize runs, driven on a thread of its own so
// that the slow stylus waits of several scenarios pass at the same time.
struct Scenario
{
    using Drive = std::function<void(Scenario &)>;
    explicit Scenario(Drive d) : drive(std::move(d))
    {
        QFile ini(path("pointra.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("Digitizer Type=FASTRAK\r\nCoordinate System=TEVO\r\nDecimal Point=Period\r\n"
                      "Hemisphere=0,0,1\r\nnCommPort= 1\r\nSound=OFF\r\n");
    }
    QString path(const QString &name) const { return home.filePath(name); }
    QStringList files() const { return QDir(home.path()).entryList(QDir::Files); }
    QByteArray bytes(const QString &name) const { return readFileBytes(path(name)); }
    // Waits until the scenario has been driven to its end.
    bool finished()
    {
        if (!done.tryAcquire(1, 120000))
            return false;
        done.release();
        return true;
    }

    QTemporaryDir home;
    Drive drive;
    QSemaphore done;
    QStringList prompts; // every line the runs printed
    QStringList midway;  // the files when a run was broken off
    QString err;         // what the last run said on standard error
    int status = -1, taken = 0, resumedAt = -1;
};

// pointra-cli digitize on the scenario's folder and the digitizer of `sim`, read line by line.
class Cli
{
public:
    Cli(Scenario &s, const SimdigProcess &sim, const QStringList &args, const QByteArray &keys,
        bool endKeys = true)
        : m_s(s)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("POINTRA_HOME", s.home.path());
        env.insert("POINTRA_COMM1", sim.device());
        m_p.setProcessEnvironment(env);
        m_p.start(QStringLiteral(POINTRA_CLI), QStringList{"digitize"} + args);
        m_p.waitForStarted(5000);
        this->keys(keys, endKeys);
    }
    ~Cli() { kill9(); }
    void keys(const QByteArray &k, bool thenEnd)
    {
        m_p.write(k);
        m_p.waitForBytesWritten(1000);
        if (thenEnd)
            m_p.closeWriteChannel();
    }
    // The next line on standard output; empty when none comes within `ms`.
    QString line(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (!m_p.canReadLine() && t.elapsed() < ms && m_p.state() == QProcess::Running)
            m_p.waitForReadyRead(10);
        if (!m_p.canReadLine())
            return {};
        m_s.prompts << QString::fromLocal8Bit(m_p.readLine()).trimmed();
        return m_s.prompts.last();
    }
    int finish(int ms = 20000)
    {
        m_p.waitForFinished(ms);
        while (!line(0).isEmpty()) {
        }
        m_s.err = QString::fromLocal8Bit(m_p.readAllStandardError());
        return m_p.state() == QProcess::NotRunning && m_p.exitStatus() == QProcess::NormalExit
                   ? m_p.exitCode()
                   : -1;
    }
    void kill9()
    {
        m_p.kill();
        m_p.waitForFinished(3000);
    }

private:
    Scenario &m_s;
    QProcess m_p;
};

// Touches for a stylus prompt and presses once the wait listens: 430 ms after the prompt
// (400 ms for the answer to its "P", 30 ms of quiet). A press while the wait opens is not a
// reading, so the press is repeated when no prompt follows. Returns the next prompt.
QString answer(Cli &cli, SimdigProcess &sim, const QByteArray &touch)
{
    sim.send(touch + "wait 460\npress\n");
    QString next = cli.line(1200);
    for (int tries = 0; next.isEmpty() && tries < 3; ++tries) {
        sim.send("press\n");
        next = cli.line(1000);
    }
    return next;
}

// Reads the prompts up to the first that `touch` has stylus commands for, then answers prompts
// while it has, `points` at most, numbering them from `first`; returns the points taken.
using Touch = std::function<QByteArray(const QString &prompt, int point)>;
int answerAll(Cli &cli, SimdigProcess &sim, const Touch &touch, int points = 1000, int first = 1)
{
    int taken = 0;
    QString prompt = cli.line(15000);
    while (!prompt.isEmpty() && touch(prompt, first).isEmpty())
        prompt = cli.line(15000);
    for (QByteArray c; taken < points && !(c = touch(prompt, first + taken)).isEmpty(); ++taken)
        prompt = answer(cli, sim, c);
    return taken;
}

// An electrode prompt touched at its site; a different small head movement before every point,
// the same in every run.
QByteArray electrode(const QString &prompt, int point)
{
    if (!prompt.startsWith("Digitize  "))
        return {};
    const QString name = prompt.mid(10).section(" / ", 0, 0);
    const QString site = name == "Left Preauricular"    ? "LPA"
                         : name == "Right Preauricular" ? "RPA"
                                                        : name;
    return QStringLiteral("move-head %1 %2 %3 %4 %5 %6\ntouch %7\n")
        .arg(0.3 * (point % 3) - 0.3)
        .arg(0.2 * (point % 2))
        .arg(-0.1 * (point % 4))
        .arg(1.5 * (point % 5) - 3)
        .arg(-(point % 3))
        .arg(2 * (point % 2) - 1)
        .arg(site)
        .toLatin1();
}

QStringList pnt(int n, const Scenario &s, const QString &out)
{
    return {"--sequence", Templates + QStringLiteral("pnt%1.seq").arg(n), "--out", s.path(out)};
}

void driveWhole(Scenario &s)
{
    SimdigProcess sim(OneHeadReceiver);
    Cli cli(s, sim, pnt(64, s, "whole.elp") + QStringList{"--receivers", "1"}, "n\nn\n");
    s.taken = answerAll(cli, sim, electrode);
    s.status = cli.finish();
}

// The same run killed halfway, then resumed from its journal.
void driveResumed(Scenario &s)
{
    SimdigProcess sim(OneHeadReceiver);
    {
        Cli cli(s, sim, pnt(64, s, "resumed.elp") + QStringList{"--receivers", "1"}, "n\nn\n");
        s.taken = answerAll(cli, sim, electrode, 33);
        cli.kill9();
        s.midway = s.files();
    }
    s.resumedAt = int(s.prompts.size());
    Cli cli(s, sim, {"--resume", s.path("pointra.journal"), "--out", s.path("resumed.elp")}, "");
    s.taken += answerAll(cli, sim, electrode, 1000, 34);
    s.status = cli.finish();
}

void driveCancelled(Scenario &s)
{
    SimdigProcess sim(OneHeadReceiver);
    Cli cli(s, sim, pnt(32, s, "out.sfp"), "n\nn\n", false);
    s.taken = answerAll(cli, sim, electrode, 2);
    cli.keys("c\n", true);
    s.status = cli.finish();
}

void driveDeviceLost(Scenario &s)
{
    auto sim = std::make_unique<SimdigProcess>(OneHeadReceiver);
    Cli cli(s, *sim, pnt(32, s, "out.elp"), "n\nn\n");
    s.taken = answerAll(cli, *sim, electrode, 3);
    sim.reset();
    s.status = cli.finish(10000);
}

void driveInputEnded(Scenario &s)
{
    SimdigProcess sim(OneHeadReceiver);
    Cli cli(s, sim, pnt(32, s, "out.elp"), "n\n");
    s.status = cli.finish(10000);
}

void driveDewar(Scenario &s)
{
    QFile f(s.path("dewar.dwr"));
    if (f.open(QIODevice::WriteOnly))
        f.write("3\t2\r\n//Dewar file\r\n1\r\n%N\tTestDwr\r\n1\t1\r\n%F\t0.1\t0\t0\r\n"
                "%F\t0\t0.1\t0\r\n%F\t0\t-0.1\t0\r\n%S\t1\r\n%N\tS1\r\n0\t0\t0.05\t0\t0\t1\r\n"
                "0.01\t0.02\t1\r\n0\t0\t0.07\t0\t0\t1\r\n0.01\t0.02\t1\r\n0\t0\t0.09\t0\t0\t1\r\n"
                "0.01\t0.02\t1\r\n");
    f.close();
    SimdigProcess sim({"--noise", "0", "--dewar"});
    Cli cli(s, sim, {"--step", "dewar", "--dewar", s.path("dewar.dwr"), "--out", s.path("d.clb")},
            "n\n");
    s.taken = answerAll(cli, sim, [](const QString &prompt, int point) {
        // The second pass touches Y+ 5 mm further along x.
        const Point3 p = DewarCm[(point - 1) % 3] + Point3(point == 5 ? 0.5 : 0, 0, 0);
        return prompt.startsWith("Place the stylus / at dewar fiducial")
                   ? QStringLiteral("touch %1 %2 %3\n").arg(p.x()).arg(p.y()).arg(p.z()).toLatin1()
                   : QByteArray();
    });
    s.status = cli.finish();
}

// The head moves 4 mm between the passes.
void driveSubject(Scenario &s)
{
    SimdigProcess sim({"--noise", "0", "--dewar"});
    Cli cli(s, sim, {"--step", "subject", "--out", s.path("s.fid")}, "n\nn\n");
    s.taken = answerAll(cli, sim, [](const QString &prompt, int point) -> QByteArray {
        if (!prompt.startsWith("Place the stylus / at subject fiducial"))
            return {};
        return QByteArray(point == 4 ? "move-head 0.4 0 0 0 0 0\n" : "") + "touch " +
               (prompt.contains("X+") ? "Nasion" : prompt.contains("Y+") ? "LPA" : "RPA") + "\n";
    });
    s.status = cli.finish();
}
} // namespace

// pointra-cli digitize through real pseudo-terminals served by pointra-simdig. The two long runs
// and the short scenarios, one after the other, are driven at the same time.
class TestCliDigitize : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void listSitesCoversTheTemplates();
    void digitizesACap();
    void resumesAfterAKill();
    void cancelWritesNothing();
    void aLostDeviceWritesNothing();
    void inputEndingBeforeTheLoopWritesNothing();
    void dewarStepWritesTheCalibration();
    void subjectStepWritesTheFiducials();

private:
    Scenario whole{driveWhole}, resumed{driveResumed}, cancelled{driveCancelled},
        deviceLost{driveDeviceLost}, inputEnded{driveInputEnded}, dewar{driveDewar},
        subject{driveSubject};
    std::vector<std::unique_ptr<QThread>> m_lanes;
};

void TestCliDigitize::initTestCase()
{
    const QList<QList<Scenario *>> lanes = {
        {&whole}, {&resumed}, {&dewar, &subject, &cancelled, &deviceLost, &inputEnded}};
    for (const QList<Scenario *> &lane : lanes) {
        m_lanes.emplace_back(QThread::create([lane] {
            for (Scenario *s : lane) {
                s->drive(*s);
                s->done.release();
            }
        }));
        m_lanes.back()->start();
    }
}

void TestCliDigitize::cleanupTestCase()
{
    for (auto &lane : m_lanes)
        lane->wait();
}

void TestCliDigitize::listSitesCoversTheTemplates()
{
    const Sites sites = listSites();
    for (const QString t : {"pnt32.seq", "pnt64.seq", "pnt1020.seq"}) {
        const QList<QByteArray> lines = readFileBytes(Templates + t).split('\n');
        for (int i = 2; i < lines.size(); ++i) {
            const QString name = QString::fromLatin1(lines[i].split('\t').value(0)).trimmed();
            QVERIFY2(name.isEmpty() || sites.contains(name), qPrintable(name + " in " + t));
        }
    }
}

void TestCliDigitize::digitizesACap()
{
    QVERIFY(whole.finished());
    QCOMPARE(whole.taken, 67);
    QCOMPARE(whole.status, 0);
    QVERIFY2(whole.err.contains("wrote"), qPrintable(whole.err));
    QCOMPARE(whole.prompts.mid(0, 2), QStringList({"Mount the receiver / on the subject.",
                                                   "Place the transmitter / near the subject."}));
    const auto measured = readElp(whole.bytes("whole.elp"));
    QCOMPARE(measured.size(), 67);
    QCOMPARE(measured[3].first, "Fp1");
    QCOMPARE(measured.last().first, "TP10");
    const Sites truth = listSites();
    for (const auto &[name, at] : measured)
        QVERIFY2((at - truth.value(name, Point3(1e3, 0, 0))).norm() < 0.1,
                 qPrintable(QStringLiteral("%1: %2 %3 %4").arg(name).arg(at.x()).arg(at.y()).arg(
                     at.z())));
    // A finished, saved measurement leaves no journal.
    QCOMPARE(whole.files(), QStringList({"pointra.ini", "whole.elp"}));
}

void TestCliDigitize::resumesAfterAKill()
{
    QVERIFY(resumed.finished() && whole.finished());
    QCOMPARE(resumed.midway, QStringList({"pointra.ini", "pointra.journal"}));
    QCOMPARE(resumed.prompts.value(resumed.resumedAt), "Digitize  Cz");
    QCOMPARE(resumed.taken, 67);
    QCOMPARE(resumed.status, 0);
    QCOMPARE(resumed.bytes("resumed.elp"), whole.bytes("whole.elp"));
    QCOMPARE(resumed.files(), QStringList({"pointra.ini", "resumed.elp"}));
}

void TestCliDigitize::cancelWritesNothing()
{
    QVERIFY(cancelled.finished());
    QCOMPARE(cancelled.taken, 2);
    QCOMPARE(cancelled.status, 1);
    QVERIFY(cancelled.err.contains("cancelled"));
    QCOMPARE(cancelled.files(), QStringList{"pointra.ini"});
}

void TestCliDigitize::aLostDeviceWritesNothing()
{
    QVERIFY(deviceLost.finished());
    QCOMPARE(deviceLost.taken, 3);
    QCOMPARE(deviceLost.status, 1);
    QVERIFY2(deviceLost.err.contains("the digitizer was lost"), qPrintable(deviceLost.err));
    // What was taken can still be recovered.
    QCOMPARE(deviceLost.files(), QStringList({"pointra.ini", "pointra.journal"}));
}

void TestCliDigitize::inputEndingBeforeTheLoopWritesNothing()
{
    QVERIFY(inputEnded.finished());
    QCOMPARE(inputEnded.status, 1);
    QCOMPARE(inputEnded.prompts, QStringList({"Mount the receiver / on the subject.",
                                              "Place the transmitter / near the subject."}));
    QVERIFY(inputEnded.err.contains("input ended"));
    QCOMPARE(inputEnded.files(), QStringList{"pointra.ini"});
}

void TestCliDigitize::dewarStepWritesTheCalibration()
{
    QVERIFY(dewar.finished());
    QCOMPARE(dewar.taken, 6);
    QCOMPARE(dewar.prompts.first(), "Place the transmitter / near the dewar.");
    QVERIFY(dewar.prompts.contains("Delta - F1: 0.00 cm / Delta - F2: 0.50 cm / Delta - F3: 0.00 cm"));
    QCOMPARE(dewar.status, 0);
    // MCalib takes the dewar frame into the frame of the dewar's receiver: the origin midway
    // between the Y fiducials, each the mean of its passes, the x axis through X+.
    Workspace ws;
    LineReader lines(dewar.bytes("d.clb"));
    ReadCalibrationFile(lines, ws);
    const Transform4 toReceiver = DigitizerEmulator::dewarReceiverPose().inverse() *
                                  DigitizerEmulator({DigitizerModel::Fastrak, 2, 0, 1}).headPose();
    const auto inReceiver = [&](const Point3 &cm) { return transformed(toReceiver, 0.01 * cm); };
    const Point3 origin = (inReceiver(DewarCm[1] + Point3(0.25, 0, 0)) + inReceiver(DewarCm[2])) / 2;
    const Point3 xPlus = inReceiver(DewarCm[0]);
    QVERIFY((transformed(ws.m.MCalib, Point3::Zero()) - origin).norm() < 3e-4);
    const Point3 onX((xPlus - origin).norm(), 0, 0);
    QVERIFY((transformed(ws.m.MCalib, onX) - xPlus).norm() < 3e-4);
}

void TestCliDigitize::subjectStepWritesTheFiducials()
{
    QVERIFY(subject.finished());
    QCOMPARE(subject.taken, 6);
    QVERIFY(subject.prompts.contains(
        "Delta - F1: 0.40 cm / Delta - F2: 0.40 cm / Delta - F3: 0.40 cm"));
    QCOMPARE(subject.status, 0);
    // Through MFida, the fiducials in the head receiver's frame land on the subject's axes.
    Workspace ws;
    LineReader lines(subject.bytes("s.fid"));
    ReadFiducialsFile(lines, ws);
    QCOMPARE(int(ws.ReceiverFid.size()), 1);
    const Point3 x = transformed(ws.m.MFida, ws.ReceiverFid[0][0]);
    const Point3 l = transformed(ws.m.MFida, ws.ReceiverFid[0][1]);
    const Point3 r = transformed(ws.m.MFida, ws.ReceiverFid[0][2]);
    QVERIFY(x.x() > 0.05 && std::abs(x.y()) < 3e-4 && std::abs(x.z()) < 3e-4);
    QVERIFY(l.y() > 0.05 && std::abs(l.z()) < 3e-4 && (l + r).norm() < 3e-4);
}

QTEST_GUILESS_MAIN(TestCliDigitize)
#include "tst_cli_digitize.moc"

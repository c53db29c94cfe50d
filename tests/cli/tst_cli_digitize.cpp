#include "data/meg_files.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "digitizer/emulator/digitizer_emulator.h"
#include "fixtures.h"
#include "geometry/frames.h"
#include "simdig_process.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSemaphore>
#include <QTest>

namespace {
const QString Templates = QStringLiteral(POINTRA_SOURCE_DIR "/data/templates/");
const QStringList OneHeadReceiver = {"--noise", "0", "--receivers", "1"};
const QStringList OnDewar = {"--noise", "0", "--dewar"};
const FidTriple DewarCm = {Point3(12, 0, 16), Point3(0, 11, 16), Point3(0, -11, 16)};

// What the virtual head of pointra-simdig holds, in centimetres of its head frame.
QHash<QString, Point3> listSites()
{
    QHash<QString, Point3> sites;
    const QStringList lines = Fixtures::run(POINTRA_SIMDIG, {"--list-sites"}).out.split('\n');
    for (const QString &line : lines) {
        const QStringList w = line.simplified().split(' ');
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
        out.append(
            {fiducial ? fiducials[out.size()] : lines[i].mid(3).trimmed(),
             100 * Point3(w.value(0).toDouble(), w.value(1).toDouble(), w.value(2).toDouble())});
    }
    return out;
}

// A program folder whose pointra-cli digitize runs are driven against their own pointra-simdig
// on a thread of their own, so that the slow stylus waits of several scenarios pass together.
struct Scenario : Fixtures::Home
{
    using Touch = std::function<QByteArray(const QString &prompt, int point)>;
    explicit Scenario(std::function<void(Scenario &)> d) : drive(std::move(d))
    {
        write("pointra.ini", Fixtures::Ini().text());
    }
    QStringList files() const { return QDir(path()).entryList(QDir::Files); }

    void serve(const QStringList &simdigArgs) { sim = std::make_unique<SimdigProcess>(simdigArgs); }
    // Starts pointra-cli digitize with operator keys, ending them when `endKeys`.
    void run(const QStringList &args, const QByteArray &keys, bool endKeys = true)
    {
        cli = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("POINTRA_HOME", path());
        env.insert("POINTRA_COMM1", sim->device());
        cli->setProcessEnvironment(env);
        cli->start(QStringLiteral(POINTRA_CLI), QStringList{"digitize"} + args);
        cli->waitForStarted(5000);
        this->keys(keys, endKeys);
    }
    void keys(const QByteArray &k, bool thenEnd)
    {
        cli->write(k);
        cli->waitForBytesWritten(1000);
        if (thenEnd)
            cli->closeWriteChannel();
    }
    // The next line on standard output; empty when none comes within `ms`.
    QString line(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (!cli->canReadLine() && t.elapsed() < ms && cli->state() == QProcess::Running)
            cli->waitForReadyRead(10);
        if (!cli->canReadLine())
            return {};
        prompts << QString::fromLocal8Bit(cli->readLine()).trimmed();
        return prompts.last();
    }
    // Touches for a stylus prompt and presses once the wait listens, 430 ms after the prompt
    // (400 ms for the answer to its "P", 30 ms of quiet). A press while the wait opens is not a
    // reading, so it is repeated when no prompt follows. Returns the next prompt.
    QString answer(const QByteArray &touch)
    {
        sim->send(touch + "wait 460\npress\n");
        QString next = line(1200);
        for (int tries = 0; next.isEmpty() && tries < 3; ++tries) {
            sim->send("press\n");
            next = line(1000);
        }
        return next;
    }
    // Reads the prompts up to the first that `touch` has stylus commands for, then answers while
    // it has, `points` at most, numbering them from `first`; adds the points taken.
    void answerAll(const Touch &touch, int points = 1000, int first = 1)
    {
        QString prompt = line(15000);
        while (!prompt.isEmpty() && touch(prompt, first).isEmpty())
            prompt = line(15000);
        for (QByteArray c; points-- > 0 && !(c = touch(prompt, first++)).isEmpty(); ++taken)
            prompt = answer(c);
    }
    void finish(int ms = 20000)
    {
        cli->waitForFinished(ms);
        while (!line(0).isEmpty()) {
        }
        err = QString::fromLocal8Bit(cli->readAllStandardError());
        status = cli->state() == QProcess::NotRunning && cli->exitStatus() == QProcess::NormalExit
                     ? cli->exitCode()
                     : -1;
    }
    void kill9()
    {
        cli->kill();
        cli->waitForFinished(3000);
        midway = files();
    }
    // Waits until the scenario has been driven to its end.
    bool finished()
    {
        const bool done = ended.tryAcquire(1, 120000);
        ended.release();
        return done;
    }

    std::function<void(Scenario &)> drive;
    std::unique_ptr<SimdigProcess> sim;
    std::unique_ptr<QProcess> cli;
    QSemaphore ended;
    QStringList prompts; // every line the runs printed
    QStringList midway;  // the files when a run was killed
    QString err;         // what the last run said on standard error
    int status = -1, taken = 0, resumedAt = -1;
};

// An electrode prompt touched at its site, after a small head movement of its own.
QByteArray electrode(const QString &prompt, int point)
{
    if (!prompt.startsWith("Digitize  "))
        return {};
    const QString name = prompt.mid(10).section(" / ", 0, 0);
    return QStringLiteral("move-head %1 %2 %3 %4 %5 %6\ntouch %7\n")
        .arg(0.3 * (point % 3) - 0.3)
        .arg(0.2 * (point % 2))
        .arg(-0.1 * (point % 4))
        .arg(1.5 * (point % 5) - 3)
        .arg(-(point % 3))
        .arg(2 * (point % 2) - 1)
        .arg(name == "Left Preauricular"    ? "LPA"
             : name == "Right Preauricular" ? "RPA"
                                            : name)
        .toLatin1();
}

QStringList cap(int electrodes, const Scenario &s, const QString &out)
{
    return {"--sequence",  Templates + QStringLiteral("pnt%1.seq").arg(electrodes),
            "--out",       s.path(out),
            "--receivers", "1"};
}

void driveWhole(Scenario &s)
{
    s.serve(OneHeadReceiver);
    s.run(cap(64, s, "whole.elp"), "n\nn\n");
    s.answerAll(electrode);
    s.finish();
}

// The same run killed halfway, then resumed from its journal.
void driveResumed(Scenario &s)
{
    s.serve(OneHeadReceiver);
    s.run(cap(64, s, "resumed.elp"), "n\nn\n");
    s.answerAll(electrode, 33);
    s.kill9();
    s.resumedAt = int(s.prompts.size());
    s.run({"--resume", s.path("pointra.journal"), "--out", s.path("resumed.elp")}, "");
    s.answerAll(electrode, 1000, 34);
    s.finish();
}

void driveCancelled(Scenario &s)
{
    s.serve(OneHeadReceiver);
    s.run(cap(32, s, "out.sfp"), "n\nn\n", false);
    s.answerAll(electrode, 2);
    s.keys("c\n", true);
    s.finish();
}

void driveDeviceLost(Scenario &s)
{
    s.serve(OneHeadReceiver);
    s.run(cap(32, s, "out.elp"), "n\nn\n");
    s.answerAll(electrode, 3);
    s.sim.reset();
    s.finish(10000);
}

void driveInputEnded(Scenario &s)
{
    s.serve(OneHeadReceiver);
    s.run(cap(32, s, "out.elp"), "n\n");
    s.finish(10000);
}

// The second pass touches Y+ 5 mm further along x.
void driveDewar(Scenario &s)
{
    s.write("dewar.dwr", "3\t2\r\n//Dewar file\r\n1\r\n%N\tTestDwr\r\n1\t1\r\n%F\t0.1\t0\t0\r\n"
                         "%F\t0\t0.1\t0\r\n%F\t0\t-0.1\t0\r\n%S\t1\r\n%N\tS1\r\n"
                         "0\t0\t0.05\t0\t0\t1\r\n0.01\t0.02\t1\r\n0\t0\t0.07\t0\t0\t1\r\n"
                         "0.01\t0.02\t1\r\n0\t0\t0.09\t0\t0\t1\r\n0.01\t0.02\t1\r\n");
    s.serve(OnDewar);
    s.run({"--step", "dewar", "--dewar", s.path("dewar.dwr"), "--out", s.path("d.clb")}, "n\n");
    s.answerAll([](const QString &prompt, int point) {
        const Point3 p = DewarCm[(point - 1) % 3] + Point3(point == 5 ? 0.5 : 0, 0, 0);
        return prompt.startsWith("Place the stylus / at dewar fiducial")
                   ? QStringLiteral("touch %1 %2 %3\n").arg(p.x()).arg(p.y()).arg(p.z()).toLatin1()
                   : QByteArray();
    });
    s.finish();
}

// The head moves 4 mm between the passes.
void driveSubject(Scenario &s)
{
    s.serve(OnDewar);
    s.run({"--step", "subject", "--out", s.path("s.fid")}, "n\nn\n");
    s.answerAll([](const QString &prompt, int point) -> QByteArray {
        if (!prompt.startsWith("Place the stylus / at subject fiducial"))
            return {};
        return QByteArray(point == 4 ? "move-head 0.4 0 0 0 0 0\n" : "") + "touch " +
               (prompt.contains("X+")   ? "Nasion"
                : prompt.contains("Y+") ? "LPA"
                                        : "RPA") +
               "\n";
    });
    s.finish();
}
} // namespace

Q_DECLARE_METATYPE(Scenario *)

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
    void brokenOffWritesNothing_data();
    void brokenOffWritesNothing();
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
                s->cli.reset(); // the processes end on the thread that started them
                s->sim.reset();
                s->ended.release();
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
    const QHash<QString, Point3> sites = listSites();
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
    QCOMPARE(whole.prompts.mid(0, 2), QStringList({"Mount the receiver / on the subject.",
                                                   "Place the transmitter / near the subject."}));
    const auto measured = readElp(whole.read("whole.elp"));
    QCOMPARE(measured.size(), 67);
    QCOMPARE(measured[3].first, "Fp1");
    QCOMPARE(measured.last().first, "TP10");
    const QHash<QString, Point3> truth = listSites();
    for (const auto &[name, at] : measured)
        QVERIFY2(
            (at - truth.value(name, Point3(1e3, 0, 0))).norm() < 0.1,
            qPrintable(
                QStringLiteral("%1 at %2 %3 %4").arg(name).arg(at.x()).arg(at.y()).arg(at.z())));
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
    QCOMPARE(resumed.read("resumed.elp"), whole.read("whole.elp"));
    QCOMPARE(resumed.files(), QStringList({"pointra.ini", "resumed.elp"}));
}

void TestCliDigitize::brokenOffWritesNothing_data()
{
    QTest::addColumn<Scenario *>("s");
    QTest::addColumn<int>("taken");
    QTest::addColumn<QString>("says");
    QTest::addColumn<QStringList>("files");
    const QStringList ini{"pointra.ini"}, recoverable{"pointra.ini", "pointra.journal"};
    // clang-format off
    QTest::newRow("cancelled")   << &cancelled  << 2 << "cancelled; nothing was written"  << ini;
    QTest::newRow("device lost") << &deviceLost << 3 << "the digitizer was lost"          << recoverable;
    QTest::newRow("input ended") << &inputEnded << 0 << "the input ended while the step"  << ini;
    // clang-format on
}

void TestCliDigitize::brokenOffWritesNothing()
{
    QFETCH(Scenario *, s);
    QFETCH(int, taken);
    QFETCH(QString, says);
    QFETCH(QStringList, files);
    QVERIFY(s->finished());
    QCOMPARE(s->taken, taken);
    QCOMPARE(s->status, 1);
    QVERIFY2(s->err.contains(says), qPrintable(s->err));
    QCOMPARE(s->files(), files);
}

void TestCliDigitize::dewarStepWritesTheCalibration()
{
    QVERIFY(dewar.finished());
    QCOMPARE(dewar.taken, 6);
    QCOMPARE(dewar.prompts.first(), "Place the transmitter / near the dewar.");
    QVERIFY(
        dewar.prompts.contains("Delta - F1: 0.00 cm / Delta - F2: 0.50 cm / Delta - F3: 0.00 cm"));
    QCOMPARE(dewar.status, 0);
    // MCalib takes the dewar frame into the frame of the dewar's receiver: the origin midway
    // between the Y fiducials, each the mean of its passes, the x axis through X+.
    Workspace ws;
    LineReader lines(dewar.read("d.clb"));
    ReadCalibrationFile(lines, ws);
    const Transform4 toReceiver = DigitizerEmulator::dewarReceiverPose().inverse() *
                                  DigitizerEmulator({DigitizerModel::Fastrak, 2, 0, 1}).headPose();
    const auto inReceiver = [&](const Point3 &cm) { return transformed(toReceiver, 0.01 * cm); };
    const Point3 origin =
        (inReceiver(DewarCm[1] + Point3(0.25, 0, 0)) + inReceiver(DewarCm[2])) / 2;
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
    LineReader lines(subject.read("s.fid"));
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

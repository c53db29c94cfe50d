#include "data/electrode_file.h"
#include "wizard_rig.h"

#include <QDateTime>
#include <QDir>
#include <QtTest>

Q_DECLARE_METATYPE(DigitizerModel)

namespace {
const QStringList Names = {"Nasion", "LPA", "RPA", "Fz", "Cz", "Pz", "Oz", "T7", "T8"};
const QStringList Codes = {"1", "2", "4", "400", "400", "400", "400", "400", "400"};

void startLoop(WizardRig &rig)
{
    rig.setSequence(Names, Codes);
    QVERIFY(rig.invoke("menuEProbes"));
    QVERIFY(rig.wizard.press(Wizard::Button::Next) && rig.wizard.press(Wizard::Button::Next));
}

// Takes `count` points from the current one, moving the head after each.
void takePoints(WizardRig &rig, int count)
{
    for (int i = 0; i < count; ++i) {
        QVERIFY(rig.take(rig.ws.SeqName.value(rig.wizard.state.PointCounter - 1)));
        rig.emu.moveHead(0.003, -0.002, 0.001, 2, -3, 4);
    }
}
} // namespace

// The journal of a measurement in progress: written before each prompt, offered after a crash,
// gone once the measurement is saved or discarded.
class TestJournal : public QObject
{
    Q_OBJECT
private slots:
    void recordsSurviveTheirEscapes();
    void aCutLastLineIsDropped();
    void refusesWhatIsNotAJournal_data();
    void refusesWhatIsNotAJournal();
    void recoversAfterACrash_data();
    void recoversAfterACrash();
    void refusedRecovery_data();
    void refusedRecovery();
    void savedOrDiscardedLeavesNoJournal_data();
    void savedOrDiscardedLeavesNoJournal();
};

void TestJournal::recordsSurviveTheirEscapes()
{
    Fixtures::Home home;
    Workspace ws;
    ws.settings.Digitizer = DigitizerModel::Patriot;
    ws.ReceiverCount = 2;
    ws.NumSeq = 3;
    ws.SeqName = {"Na\\sion", "L\tPA", "RPA"};
    ws.SeqCode = {"1", "2", "4"};
    ws.SequenceFile = home.path("a b.seq");
    ws.SequenceTitle = "a b";
    Journal j(Journal::defaultPath(home.path()));
    QVERIFY(j.begin(ws));
    const QString r1 = "01P  1.0\r\n02P \\ 2.0\r\n";
    const QString r2 = "x\ty\rz\n";
    QVERIFY(j.append(0, ws.SeqName[0], r1));
    QVERIFY(j.append(2, ws.SeqName[2], r2));
    QVERIFY(j.append(0, ws.SeqName[0], r2));
    j.close();
    QString error;
    const auto c = Journal::read(j.path(), &error);
    QVERIFY2(c, qPrintable(error));
    QCOMPARE(c->names + c->codes, ws.SeqName + ws.SeqCode);
    QCOMPARE(c->model, DigitizerModel::Patriot);
    QCOMPARE(c->receivers, 2);
    QCOMPARE(c->sequenceFile + "|" + c->sequenceTitle, ws.SequenceFile + "|a b");
    QCOMPARE(c->taken(), 2);
    QCOMPARE(c->lastPoint(), 0);
    QCOMPARE(c->records(), QStringList({r2, QString(), r2}));
    QCOMPARE(c->entries[0].record, r1);
    QVERIFY(qAbs(c->started.secsTo(QDateTime::currentDateTime())) < 60);
}

void TestJournal::aCutLastLineIsDropped()
{
    WizardRig rig(DigitizerModel::Fastrak);
    startLoop(rig);
    takePoints(rig, 2);
    rig.wizard.journal().close();
    const QString path = Journal::defaultPath(rig.ws.AppPath);
    rig.home.write("pointra.journal", rig.home.read("pointra.journal") +
                                          "point\t3\tRPA\t2026-01-01T00:00:00.000\t01 half");
    auto c = Journal::read(path);
    QVERIFY(c);
    QCOMPARE(c->taken(), 2);
    // Going on appends on a line of its own.
    Journal j(path);
    QVERIFY(j.resume());
    QVERIFY(j.append(2, "RPA", "whole"));
    j.close();
    c = Journal::read(path);
    QVERIFY(c);
    QCOMPARE(c->taken(), 3);
    QCOMPARE(c->records().value(2), QString("whole"));
}

void TestJournal::refusesWhatIsNotAJournal_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray head = "POINTRA-JOURNAL\t1\nstarted\t2026-01-01T10:00:00.000\nsequence\ta\tb\n"
                            "digitizer\tFASTRAK\nreceivers\t1\npoints\t3\nseq\tNasion\t1\n"
                            "seq\tLPA\t2\nseq\tRPA\t4\n";
    // clang-format off
    QTest::newRow("empty")               << QByteArray();
    QTest::newRow("another file")        << QByteArray("3\t2\n//Sequence file\n");
    QTest::newRow("header without begin")<< head;
    QTest::newRow("point out of range")  << head + "begin\npoint\t4\tX\t2026-01-01T10:00:00.000\tr\n";
    QTest::newRow("count does not match")<< QByteArray(head).replace("points\t3", "points\t4") + "begin\n";
    QTest::newRow("not a device")        << QByteArray(head).replace("FASTRAK", "dummy") + "begin\n";
    QTest::newRow("unknown line")        << head + "begin\nwhat\n";
    // clang-format on
}

void TestJournal::refusesWhatIsNotAJournal()
{
    QFETCH(QByteArray, bytes);
    Fixtures::Home home;
    QString error;
    QVERIFY(!Journal::read(home.write("j", bytes), &error));
    QVERIFY(!error.isEmpty());
}

void TestJournal::recoversAfterACrash_data()
{
    QTest::addColumn<int>("taken");
    QTest::newRow("midway") << 5;
    QTest::newRow("converted, not saved") << 9;
}

void TestJournal::recoversAfterACrash()
{
    QFETCH(int, taken);
    WizardRig whole(DigitizerModel::Fastrak);
    startLoop(whole);
    takePoints(whole, 9);
    QVERIFY(whole.wizard.resultReady());
    WizardRig crashed(DigitizerModel::Fastrak);
    startLoop(crashed);
    takePoints(crashed, taken);
    crashed.wizard.journal().close();

    WizardRig rig(DigitizerModel::Fastrak);
    rig.ws.AppPath = crashed.ws.AppPath;
    int menusUpdated = 0;
    rig.wizard.updateMenus = [&] { ++menusUpdated; };
    QVERIFY(rig.wizard.offerRecovery());
    QCOMPARE(rig.dialogs.shown.size(), 1);
    const QString asked = rig.dialogs.shown[0].text;
    QVERIFY2(
        QRegularExpression(QString("^An unfinished measurement of \\d{4}-\\d\\d-\\d\\d "
                                   "\\d\\d:\\d\\d, %1 of 9 points, was found\\. Recover it\\?$")
                               .arg(taken))
            .match(asked)
            .hasMatch(),
        qPrintable(asked));
    QCOMPARE(menusUpdated, 1);
    QCOMPARE(rig.ws.SeqName, Names);
    QCOMPARE(rig.ws.SequenceTitle, QString("test"));
    QCOMPARE(rig.wizard.state.Step, Steps::Electrodes);
    if (taken < 9) {
        QCOMPARE(rig.wizard.state.PointCounter, taken + 1);
        QCOMPARE(rig.view.prompt.lines.value(0), QString("Digitize  Pz"));
        takePoints(rig, 9 - taken);
    }
    QVERIFY(rig.wizard.resultReady());
    QCOMPARE(rig.ws.ElectrodesDirty, 1);
    for (int k = 0; k < 6; ++k)
        QVERIFY((rig.ws.tevo.Pos[k] - whole.ws.tevo.Pos[k]).norm() < 2e-4);
}

void TestJournal::refusedRecovery_data()
{
    QTest::addColumn<bool>("garbage");
    QTest::addColumn<DigitizerModel>("model");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("said");
    QTest::addColumn<bool>("kept");
    // clang-format off
    QTest::newRow("declined")          << false << DigitizerModel::Fastrak << int(Dialogs::Answer::No)  << "An unfinished measurement" << false;
    QTest::newRow("another digitizer") << false << DigitizerModel::Isotrak << int(Dialogs::Answer::Yes) << "The unfinished measurement was taken with a FASTRAK; choose FASTRAK in Setup > Digitizer Type to recover it." << true;
    QTest::newRow("unreadable")        << true  << DigitizerModel::Fastrak << int(Dialogs::Answer::Yes) << "The journal of an unfinished measurement could not be read and was set aside" << false;
    // clang-format on
}

void TestJournal::refusedRecovery()
{
    QFETCH(bool, garbage);
    QFETCH(DigitizerModel, model);
    QFETCH(int, answer);
    QFETCH(QString, said);
    QFETCH(bool, kept);
    WizardRig first(DigitizerModel::Fastrak);
    const QString path = Journal::defaultPath(first.ws.AppPath);
    if (garbage) {
        first.home.write("pointra.journal", "garbage\n");
    } else {
        startLoop(first);
        takePoints(first, 3);
        first.wizard.journal().close();
    }
    const QByteArray before = first.home.read("pointra.journal");
    WizardRig next(model);
    next.ws.AppPath = first.ws.AppPath;
    next.dialogs.answers.enqueue(Dialogs::Answer(answer));
    QVERIFY(!next.wizard.offerRecovery());
    QVERIFY2(next.dialogs.texts().last().startsWith(said), qPrintable(next.dialogs.texts().last()));
    QCOMPARE(next.ws.NumSeq, 0);
    QCOMPARE(first.home.read("pointra.journal"), kept ? before : QByteArray());
    QCOMPARE(first.home.read("pointra.journal.unreadable"), garbage ? before : QByteArray());
    // A journal that is gone is not offered again.
    const qsizetype shown = next.dialogs.shown.size();
    QVERIFY(kept || !next.wizard.offerRecovery());
    QCOMPARE(next.dialogs.shown.size(), shown);
}

void TestJournal::savedOrDiscardedLeavesNoJournal_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<bool>("kept");
    // clang-format off
    QTest::newRow("saved")                  << "save"           << false;
    QTest::newRow("discarded at exit")      << "discard"        << false;
    QTest::newRow("closed before saving")   << "close"          << true;
    QTest::newRow("closed mid-measurement") << "close midway"   << true;
    QTest::newRow("cancelled midway")       << "cancel midway"  << false;
    QTest::newRow("cancelled after")        << "cancel"         << true;
    // clang-format on
}

void TestJournal::savedOrDiscardedLeavesNoJournal()
{
    QFETCH(QString, ending);
    QFETCH(bool, kept);
    WizardRig rig(DigitizerModel::Fastrak);
    startLoop(rig);
    takePoints(rig, ending.endsWith("midway") ? 4 : 9);
    const QString path = Journal::defaultPath(rig.ws.AppPath);
    QVERIFY(QFile::exists(path));
    if (ending == "save") {
        WriteElectrodeFile(rig.home.path("cap.elp"), rig.ws);
        rig.wizard.afterCommand();
    } else if (ending == "discard") {
        rig.ws.ElectrodesDirty = 0; // answered No to saving at exit
        rig.wizard.windowClosing();
    } else if (ending.startsWith("close")) {
        rig.wizard.afterCommand();
        rig.wizard.windowClosing();
    } else {
        rig.wizard.press(Wizard::Button::Cancel);
        rig.wizard.afterCommand();
    }
    QCOMPARE(QFile::exists(path), kept);
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"

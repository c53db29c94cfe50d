#include "acquisition/shape_step.h"
#include "digitizer/record_stream.h"
#include "wizard_rig.h"

#include <QTest>

namespace {
using Button = Wizard::Button;

// Sub-steps 1 to 3 and Accept: the wizard streams at sub-step 4.
bool toStreaming(WizardRig &rig)
{
    rig.wizard.menuShape();
    if (rig.ws.ReceiverCount > 0 && !rig.wizard.press(Button::Next))
        return false;
    if (!rig.wizard.press(Button::Next))
        return false;
    for (int pass = 0; pass < 2; ++pass)
        for (const char *site : {"Nasion", "LPA", "RPA"})
            if (!rig.take(QString::fromLatin1(site)))
                return false;
    return rig.untilIdle() && rig.wizard.press(Button::Accept) && rig.wizard.state.SubStep == 4;
}

const ShapeLoop &loopOf(WizardRig &rig)
{
    return rig.wizard.headShape().loop();
}

// One sequence through the named sites, run until the loop waits for the next tap.
bool sweep(WizardRig &rig, const QStringList &sites, double speedCmPerS = 8)
{
    std::vector<Point3> points;
    for (const QString &s : sites)
        points.push_back(rig.emu.head().site(s));
    const qint64 end = rig.emu.sweep(points, speedCmPerS);
    rig.run(int(end - rig.clock.nowMs()) + 50);
    for (int t = 0; t < 3000; t += 10) {
        if (loopOf(rig).phase() == ShapeLoop::Phase::WaitingTap && !loopOf(rig).sequenceRunning())
            return true;
        rig.run(10);
    }
    return false;
}

// A sequence of one point wherever the stylus is held (head-model frame, metres).
bool tapAt(WizardRig &rig, const Point3 &headPoint)
{
    rig.emu.touchPoint(headPoint);
    rig.emu.press();
    rig.run(1200);
    rig.emu.press();
    rig.run(600);
    return loopOf(rig).phase() == ShapeLoop::Phase::WaitingTap && !loopOf(rig).sequenceRunning();
}

// The shape points back in the virtual head's own frame.
Point3 inHeadModel(const WizardRig &rig, const Point3 &p)
{
    const VirtualHead &h = rig.emu.head();
    const Frame f = BuildFrame(h.site("Nasion"), h.site("LPA"), h.site("RPA"), 0);
    return transformed(Transform4(f.position.inverse()), p);
}

QString fastrakLine(int station, double x)
{
    return QStringLiteral("0%1 %2   0.00   0.00\r\n").arg(station).arg(x, 7, 'f', 2);
}
} // namespace

class TestShapeStep : public QObject
{
    Q_OBJECT
private slots:
    void distanceRule_data();
    void distanceRule();
    void outlierBox_data();
    void outlierBox();
    void streamFindsRecords_data();
    void streamFindsRecords();
    void sweepsLieOnTheHead_data();
    void sweepsLieOnTheHead();
    void outlierQuestion_data();
    void outlierQuestion();
    void deleteAndSelectSequences();
    void acceptWhileStreamingKeepsTheSequence();
    void lostDeviceKeepsSequencesAndGoesOn();
    void unsavedShapeIsKeptUnlessTheOperatorAgrees();
};

void TestShapeStep::distanceRule_data()
{
    QTest::addColumn<Point3>("point");
    QTest::addColumn<double>("minStep");
    QTest::addColumn<bool>("kept");
    QTest::newRow("exactly the step is dropped") << Point3(0.5, 0, 0) << 0.5 << false;
    QTest::newRow("just beyond is kept")         << Point3(0.5001, 0, 0) << 0.5 << true;
    QTest::newRow("diagonal within")             << Point3(0.3, 0.3, 0.3) << 0.6 << false;
    QTest::newRow("diagonal beyond")             << Point3(0.3, 0.3, 0.3) << 0.5 << true;
    QTest::newRow("still stylus")                << Point3(0, 0, 0) << 0.1 << false;
    QTest::newRow("two centimetres exactly")     << Point3(0, -2, 0) << 2.0 << false;
}

void TestShapeStep::distanceRule()
{
    QFETCH(Point3, point);
    QFETCH(double, minStep);
    QFETCH(bool, kept);
    const Point3 last(10, -4, 7);
    QCOMPARE(ShapeRules::farEnough(last, last + point, minStep), kept);
}

void TestShapeStep::outlierBox_data()
{
    // Nasion at x 0.1, LPA at y 0.08, RPA at y -0.07 (metres).
    QTest::addColumn<Point3>("point");
    QTest::addColumn<bool>("outlier");
    QTest::newRow("centre")            << Point3(0, 0, 0) << false;
    QTest::newRow("front edge")        << Point3(0.15, 0, 0) << false;
    QTest::newRow("beyond the front")  << Point3(0.1501, 0, 0) << true;
    QTest::newRow("back edge")         << Point3(-0.15, 0, 0) << false;
    QTest::newRow("beyond the back")   << Point3(-0.1501, 0, 0) << true;
    QTest::newRow("left edge")         << Point3(0, 0.13, 0) << false;
    QTest::newRow("beyond the left")   << Point3(0, 0.1301, 0) << true;
    QTest::newRow("right edge")        << Point3(0, -0.12, 0) << false;
    QTest::newRow("beyond the right")  << Point3(0, -0.1201, 0) << true;
    QTest::newRow("10 cm above")       << Point3(0, 0, 0.2) << false;
    QTest::newRow("beyond the top")    << Point3(0, 0, 0.2001) << true;
    QTest::newRow("20 cm below")       << Point3(0, 0, -0.3) << false;
    QTest::newRow("beyond the bottom") << Point3(0, 0, -0.3001) << true;
}

void TestShapeStep::outlierBox()
{
    QFETCH(Point3, point);
    QFETCH(bool, outlier);
    const FidTriple fid = {Point3(0.1, 0, 0), Point3(0, 0.08, 0), Point3(0, -0.07, 0)};
    QCOMPARE(ShapeRules::isOutlier(fid, point), outlier);
}

void TestShapeStep::streamFindsRecords_data()
{
    const QString a = fastrakLine(1, 1) + fastrakLine(2, 5);
    const QString b = fastrakLine(1, 2) + fastrakLine(2, 6);
    const QString c = fastrakLine(1, 3) + fastrakLine(2, 7);
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<QStringList>("records");
    QTest::newRow("whole records")     << QStringList{a + b + c} << QStringList{a, b, c};
    QTest::newRow("split anywhere")    << QStringList{a.left(5), a.mid(5) + b.left(30), b.mid(30) + c} << QStringList{a, b, c};
    QTest::newRow("cut tail first")    << QStringList{b.mid(12) + c} << QStringList{b.mid(12), c};
    QTest::newRow("garbage in between") << QStringList{a + "#$%\r\n" + b} << QStringList{a + "#$%\r\n", b};
    QTest::newRow("a lone record")     << QStringList{a} << QStringList{a};
}

void TestShapeStep::streamFindsRecords()
{
    QFETCH(QStringList, chunks);
    QFETCH(QStringList, records);
    RecordStream stream;
    QStringList out;
    for (const QString &chunk : chunks) {
        stream.append(chunk.toLatin1());
        for (QString r = stream.next(); !r.isEmpty(); r = stream.next())
            out << r;
    }
    out << stream.rest();
    QCOMPARE(out, records);
}

void TestShapeStep::sweepsLieOnTheHead_data()
{
    QTest::addColumn<DigitizerModel>("model");
    QTest::addColumn<int>("receivers");
    QTest::addColumn<double>("minStep");
    QTest::newRow("FASTRAK, stylus only")    << DigitizerModel::Fastrak << 0 << 0.5;
    QTest::newRow("FASTRAK, one receiver")   << DigitizerModel::Fastrak << 1 << 0.5;
    QTest::newRow("FASTRAK, three, 2 cm")    << DigitizerModel::Fastrak << 3 << 2.0;
    QTest::newRow("ISOTRAK, one receiver")   << DigitizerModel::Isotrak << 1 << 0.5;
    QTest::newRow("PATRIOT, one receiver")   << DigitizerModel::Patriot << 1 << 0.5;
}

void TestShapeStep::sweepsLieOnTheHead()
{
    QFETCH(DigitizerModel, model);
    QFETCH(int, receivers);
    QFETCH(double, minStep);
    WizardRig rig(model, receivers);
    rig.ws.MinStepDistance = minStep;
    QVERIFY(toStreaming(rig));
    QCOMPARE(rig.view.buttonText(), QStringLiteral("---AC w"));
    QVERIFY(sweep(rig, {"Fpz", "Cz", "Oz"}));
    // The head turns and shifts between sequences: the receivers keep the points in place.
    if (receivers > 0)
        rig.emu.moveHead(0.02, -0.01, 0.005, 5, -3, 8);
    QVERIFY(sweep(rig, {"T7", "C3", "Cz", "C4", "T8"}));

    const ShapeLoop &loop = loopOf(rig);
    QCOMPARE(loop.NumShapeSeqs, 2);
    QCOMPARE(loop.SelectedSeq, 2);
    QCOMPARE(loop.counts().refused, 0);
    QCOMPARE(rig.ws.NumShapePoints, loop.counts().kept);
    QCOMPARE(rig.ws.raw.shapePoints.size(), rig.ws.NumShapePoints);
    QVERIFY2(rig.ws.NumShapePoints > 15, qPrintable(QString::number(rig.ws.NumShapePoints)));
    for (int i = 0; i < rig.ws.NumShapePoints; ++i) {
        const Point3 q = inHeadModel(rig, rig.ws.ShapePos[i]);
        QVERIFY2(std::abs(rig.emu.head().surfaceDistance(q)) < 0.0005,
                 qPrintable(QStringLiteral("point %1 is %2 m off the scalp")
                                .arg(i)
                                .arg(rig.emu.head().surfaceDistance(q))));
        const bool startsSequence = i == loop.ShapeSeqStart[0] || i == loop.ShapeSeqStart[1];
        if (!startsSequence) {
            const double step = (rig.ws.ShapePos[i] - rig.ws.ShapePos[i - 1]).norm() * 100;
            QVERIFY2(step > minStep - 0.002, qPrintable(QString::number(step)));
        }
    }

    QVERIFY(rig.wizard.press(Button::Accept));
    QCOMPARE(rig.ws.ShapeDirty, 1);
    QCOMPARE(loop.phase(), ShapeLoop::Phase::Idle);
    QVERIFY(!rig.link.isOpen());
    QVERIFY(!rig.wizard.waiting());
}

void TestShapeStep::outlierQuestion_data()
{
    QTest::addColumn<bool>("second");
    QTest::addColumn<Dialogs::Answer>("answer");
    QTest::addColumn<int>("sequences");
    QTest::addColumn<QString>("told");
    QTest::newRow("first kept")        << false << Dialogs::Answer::Yes << 1 << QString();
    QTest::newRow("first never goes")  << false << Dialogs::Answer::No << 1 << "Cannot delete the first sequence.";
    QTest::newRow("second kept")       << true << Dialogs::Answer::Yes << 2 << QString();
    QTest::newRow("second discarded")  << true << Dialogs::Answer::No << 1 << QString();
}

void TestShapeStep::outlierQuestion()
{
    QFETCH(bool, second);
    QFETCH(Dialogs::Answer, answer);
    QFETCH(int, sequences);
    QFETCH(QString, told);
    WizardRig rig(DigitizerModel::Fastrak, 1);
    QVERIFY(toStreaming(rig));
    if (second)
        QVERIFY(sweep(rig, {"F3", "F4"}));
    QVERIFY(rig.dialogs.shown.isEmpty());
    rig.dialogs.answers.enqueue(answer);
    // 35 cm in front of the head.
    QVERIFY(tapAt(rig, Point3(0.35, 0, 0.05)));
    QVERIFY(!rig.dialogs.shown.isEmpty());
    QVERIFY(rig.dialogs.shown.first().text.startsWith(
        QStringLiteral("The digitized sequence contains outlier points:")));
    QCOMPARE(rig.dialogs.shown.first().buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(loopOf(rig).NumShapeSeqs, sequences);
    QCOMPARE(rig.dialogs.shown.size() > 1 ? rig.dialogs.shown.last().text : QString(), told);
    // A sequence inside the box asks nothing.
    rig.dialogs.clear();
    QVERIFY(sweep(rig, {"P3", "Pz"}));
    QVERIFY(rig.dialogs.shown.isEmpty());
}

void TestShapeStep::deleteAndSelectSequences()
{
    WizardRig rig(DigitizerModel::Fastrak, 1);
    QVERIFY(toStreaming(rig));
    QVERIFY(sweep(rig, {"Fp1", "Fp2"}));
    QVERIFY(sweep(rig, {"C3", "C4"}));
    QVERIFY(sweep(rig, {"O1", "O2"}));
    const ShapeLoop &loop = loopOf(rig);
    const std::vector<int> starts = loop.ShapeSeqStart;
    const std::vector<Point3> before = rig.ws.ShapePos;
    const int middle = starts[2] - starts[1];
    QVERIFY(middle > 2);

    rig.wizard.selectSequence(2);
    QCOMPARE(loop.PrevSelectedSeq, 3);
    rig.wizard.selectSequence(7); // no such entry
    QCOMPARE(loop.SelectedSeq, 2);
    // SeqDelete asks; No keeps the sequence.
    rig.wizard.DeleteSequence();
    QCOMPARE(loop.NumShapeSeqs, 3);
    QVERIFY(rig.dialogs.texts().value(0).startsWith("Delete sequence 2 ("));
    rig.dialogs.clear();
    rig.dialogs.answers << Dialogs::Answer::Yes << Dialogs::Answer::Yes;
    rig.wizard.DeleteSequence();
    QCOMPARE(loop.NumShapeSeqs, 2);
    QCOMPARE(loop.SelectedSeq, 2);
    QCOMPARE(rig.ws.NumShapePoints, int(before.size()) - middle);
    QCOMPARE(loop.ShapeSeqStart, (std::vector<int>{0, starts[1]}));
    // The third sequence moved up whole.
    QCOMPARE(rig.ws.ShapePos[starts[1]], before[starts[2]]);
    QCOMPARE(rig.ws.ShapePos.back(), before.back());
    QCOMPARE(rig.ws.raw.shapePoints.size(), rig.ws.NumShapePoints);

    rig.wizard.DeleteSequence();
    QCOMPARE(loop.NumShapeSeqs, 1);
    rig.wizard.DeleteSequence();
    QCOMPARE(loop.NumShapeSeqs, 1);
    QCOMPARE(rig.dialogs.texts().size(), 3);
    QCOMPARE(rig.dialogs.texts().last(), "Cannot delete the first sequence.");
    QCOMPARE(rig.ws.NumShapePoints, starts[1]);
    // Once the step ended, its sequences are left alone.
    QVERIFY(rig.wizard.press(Button::Accept));
    rig.dialogs.clear();
    rig.wizard.DeleteSequence();
    QVERIFY(rig.dialogs.shown.isEmpty());
    QCOMPARE(rig.ws.NumShapePoints, starts[1]);
}

void TestShapeStep::acceptWhileStreamingKeepsTheSequence()
{
    WizardRig rig(DigitizerModel::Fastrak, 1);
    QVERIFY(toStreaming(rig));
    rig.emu.sweep({rig.emu.head().site("T7"), rig.emu.head().site("T8")}, 8);
    rig.run(1500);
    QVERIFY(loopOf(rig).sequenceRunning());
    const int sofar = rig.ws.NumShapePoints;
    QVERIFY(sofar > 0);
    QVERIFY(rig.wizard.press(Button::Accept));
    QCOMPARE(loopOf(rig).NumShapeSeqs, 1);
    QVERIFY(rig.ws.NumShapePoints >= sofar);
    QCOMPARE(rig.ws.ShapeDirty, 1);
    QVERIFY(!rig.link.isOpen());
}

void TestShapeStep::lostDeviceKeepsSequencesAndGoesOn()
{
    WizardRig rig(DigitizerModel::Fastrak, 1);
    QVERIFY(toStreaming(rig));
    QVERIFY(sweep(rig, {"F7", "F8"}));
    rig.emu.sweep({rig.emu.head().site("P7"), rig.emu.head().site("P8")}, 8);
    rig.run(1200);
    rig.link.unplug(true);
    rig.run(50);
    QCOMPARE(loopOf(rig).phase(), ShapeLoop::Phase::Reconnecting);
    QCOMPARE(loopOf(rig).NumShapeSeqs, 2);
    QVERIFY(rig.view.outcomes.contains(Records::Outcome::DeviceGone));
    QVERIFY(rig.ui.value("PictureLabel").text.contains("stopped answering"));
    QVERIFY(rig.view.buttons.accept && rig.view.buttons.cancel);
    const int kept = rig.ws.NumShapePoints;
    rig.run(3000);
    rig.link.unplug(false);
    rig.run(1500);
    QCOMPARE(loopOf(rig).phase(), ShapeLoop::Phase::WaitingTap);
    QVERIFY(sweep(rig, {"O1", "O2"}));
    QCOMPARE(loopOf(rig).NumShapeSeqs, 3);
    QVERIFY(rig.ws.NumShapePoints > kept);
}

void TestShapeStep::unsavedShapeIsKeptUnlessTheOperatorAgrees()
{
    WizardRig rig(DigitizerModel::Fastrak, 0);
    QVERIFY(toStreaming(rig));
    QVERIFY(sweep(rig, {"Fz", "Pz"}));
    QVERIFY(rig.wizard.press(Button::Accept));
    const std::vector<Point3> taken = rig.ws.ShapePos;
    rig.dialogs.clear();
    rig.dialogs.answers.enqueue(Dialogs::Answer::No);
    rig.wizard.menuShape();
    QCOMPARE(rig.dialogs.shown.size(), 1);
    QCOMPARE(rig.dialogs.shown.first().buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(rig.ws.ShapePos, taken);
    QCOMPARE(rig.ws.ShapeDirty, 1);
    // Agreeing starts a new head shape; the old points go when the streaming starts.
    rig.dialogs.answers.enqueue(Dialogs::Answer::Yes);
    QVERIFY(toStreaming(rig));
    QCOMPARE(rig.ws.NumShapePoints, 0);
    QCOMPARE(rig.ws.ShapeDirty, 0);
}

QTEST_GUILESS_MAIN(TestShapeStep)
#include "tst_shape_step.moc"

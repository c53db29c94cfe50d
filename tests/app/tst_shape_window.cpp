#include "app/main_window.h"
#include "app/view_widget.h"
#include "app/wizard_panel.h"
#include "display/view_controls.h"
#include "rig.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <functional>

// Head-shape digitizing in the window: Digitize > Shape, the fiducials, the sweeps drawn as they
// stream, the sequence list and its Delete button.
class TestShapeWindow : public QObject
{
    Q_OBJECT
private slots:
    void digitizesAHeadShape();
};

namespace {
struct WindowRig : Rig
{
    WindowRig() : Rig(DigitizerEmulator::Options{DigitizerModel::Fastrak, 1, 0.0, 7})
    {
        window.attach(app);
        start();
        window.show();
        QTest::qWaitForWindowExposed(&window);
    }
    WizardPanel &panel() { return *window.wizardPanel(); }
    QString prompt() { return panel().promptLabel()->accessibleDescription(); }
    // Lets virtual time pass while the window's own timer polls the wizard.
    bool runUntil(const std::function<bool()> &done, int maxMs = 8000)
    {
        for (int t = 0; t <= maxMs; t += 20) {
            if (done())
                return true;
            clock.advance(20);
            QTest::qWait(2);
        }
        return done();
    }
    void click(const QString &button) { QTest::mouseClick(panel().button(button), Qt::LeftButton); }

    MainWindow window;
};
} // namespace

void TestShapeWindow::digitizesAHeadShape()
{
    WindowRig rig;
    QVERIFY(rig.window.invoke("menuOne"));
    QVERIFY(rig.ui.value("menuShape").enabled);
    QVERIFY(rig.window.invoke("menuShape"));
    QCOMPARE(rig.prompt(), QStringLiteral("Mount the receiver\non the subject."));
    rig.click("NextButton");
    rig.click("NextButton");
    for (int pass = 0; pass < 2; ++pass) {
        for (const char *site : {"Nasion", "LPA", "RPA"}) {
            QVERIFY(rig.runUntil([&] {
                return rig.app.wizard.recordWait().phase() == RecordWait::Phase::Waiting;
            }));
            const QString before = rig.prompt();
            rig.emu->touchSite(QString::fromLatin1(site));
            rig.emu->press();
            QVERIFY(rig.runUntil([&] { return rig.prompt() != before; }));
        }
    }
    QVERIFY2(rig.prompt().startsWith("Delta - F1: "), qPrintable(rig.prompt()));
    rig.click("AcceptButton");
    QVERIFY2(rig.prompt().startsWith("TAP the stylus button once"), qPrintable(rig.prompt()));
    QVERIFY(!rig.panel().button("NextButton")->isEnabled());
    QListWidget *list = rig.panel().sequenceList();
    QVERIFY(list->isVisible());

    // Two sweeps; the points appear in the view while they stream.
    const VirtualHead &head = rig.emu->head();
    PointView &view = rig.app.menus.display.view();
    for (const auto &sites : {std::pair{"Fz", "Pz"}, std::pair{"C3", "C4"}}) {
        const int before = rig.ws.NumShapePoints;
        const qint64 start = rig.clock.nowMs();
        const qint64 end = rig.emu->sweep({head.site(sites.first), head.site(sites.second)}, 8);
        QVERIFY(rig.runUntil([&] { return rig.clock.nowMs() > (start + end) / 2; }));
        QVERIFY(rig.ws.NumShapePoints > before);
        QVERIFY(rig.runUntil([&] { return rig.prompt().startsWith("TAP"); }));
    }
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(view.state().DisplaySet, DisplaySets::Shape);
    QTRY_COMPARE(view.renderPending(), false);
    QCOMPARE(int(view.scene().points.size()), rig.ws.NumShapePoints);
    QVERIFY(rig.window.grab().save(
        QDir(QCoreApplication::applicationDirPath()).filePath("window-shape-digitizing.png")));

    // The first sequence selected by a click, then deleted.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    QCOMPARE(view.scene().selectedSequence, 1);
    const int second = rig.ws.NumShapePoints - rig.app.wizard.headShape().loop().ShapeSeqStart[1];
    QTest::mouseClick(rig.window.findChild<QPushButton *>("SeqDelete"), Qt::LeftButton);
    QCOMPARE(list->count(), 1);
    QCOMPARE(rig.ws.NumShapePoints, second);

    rig.click("AcceptButton");
    QCOMPARE(rig.ws.ShapeDirty, 1);
    QVERIFY(!list->isVisible());
    QVERIFY(!rig.app.wizard.waiting());
    QVERIFY2(rig.dialogs.texts().isEmpty(), qPrintable(rig.dialogs.texts().join('|')));
}

QTEST_MAIN(TestShapeWindow)
#include "tst_shape_window.moc"

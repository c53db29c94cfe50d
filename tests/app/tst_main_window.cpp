#include "app/main_window.h"
#include "rig.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

namespace {
// The window on the fake seams, started from a complete pointra.ini.
struct Gui
{
    Gui()
    {
        window.attach(rig.app);
        rig.startUp(Fixtures::Ini().text());
        window.syncFromState();
    }
    MainWindow window;
    Rig rig{&window};
};
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void actionsFollowState();
    void closeWithUnsavedDataAsks();
    void listingShowsAsLinesInAFixedPitchFont();
};

void TestMainWindow::actionsFollowState()
{
    Gui g;
    QCOMPARE(g.window.windowTitle(), "Pointra with FASTRAK - TEVO Coordinates");
    QVERIFY(g.window.action("menuDigitizerFASTRAK")->isChecked());
    QVERIFY(g.window.action("menuZplus")->isChecked() && g.window.action("menuTwo")->isVisible());
    QCOMPARE(g.window.label("XAxis")->text(), "x-axis (Nasion)");
    g.window.invoke("menuDigitizerISOTRAK");
    QVERIFY(!g.window.action("menuTwo")->isVisible());
    QVERIFY(!g.window.action("menuDigitizerFASTRAK")->isChecked());
    QVERIFY(g.window.action("menuDigitizerISOTRAK")->isChecked());
    g.window.action("menuCoordinatesBESA")->trigger();
    QCOMPARE(g.rig.ws.settings.CoordinateSystem, "BESA");
    QCOMPARE(g.window.label("Label3A")->text(), "BESA");
    QVERIFY(g.window.action("menuCoordinatesBESA")->isChecked());
    QVERIFY(!g.window.action("menuCoordinatesTEVO")->isChecked());
}

void TestMainWindow::closeWithUnsavedDataAsks()
{
    Gui g;
    g.window.show();
    g.rig.ws.ShapeDirty = 1;
    g.rig.dialogs.answers.enqueue(Dialogs::Answer::Cancel);
    QVERIFY(!g.window.close() && g.window.isVisible());
    QCOMPARE(g.rig.ws.ExitCancelled, 0);
    g.rig.dialogs.answers.enqueue(Dialogs::Answer::No);
    QVERIFY(g.window.close());
}

void TestMainWindow::listingShowsAsLinesInAFixedPitchFont()
{
    Gui g;
    g.rig.ws.NumSeq = 2;
    g.rig.ws.SeqName = {"Nasion", "Cz"};
    g.rig.ws.SeqCode = {"1", "400"};
    g.window.action("menuViewSequence")->trigger();
    const QStringList lines = g.window.textView()->toPlainText().split('\n');
    QCOMPARE(lines.value(2), "SEQUENCE data");
    QCOMPARE(lines.value(5), " 1   Nasion   1");
    // What the listing asks for; which font answers depends on the machine.
    const QFont font = g.window.textView()->font();
    QVERIFY(font.fixedPitch());
    QCOMPARE(font.styleHint(), QFont::Monospace);
    g.window.action("menuViewClear")->trigger();
    QVERIFY(g.window.textView()->toPlainText().isEmpty());
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"

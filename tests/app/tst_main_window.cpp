#include "app/about_dialog.h"
#include "app/application.h"
#include "app/main_window.h"
#include "temp_home.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void menuBarOrderAndNames();
    void actionsFollowState();
    void triggeringAnActionRunsItsHandler();
    void closeWithUnsavedDataAsks();
    void aboutLabelCentred();
    void listingShowsAsLines();
};

namespace {
struct GuiRig
{
    GuiRig()
    {
        qputenv("POINTRA_HOME", home.path().toLocal8Bit());
        QFile ini(QDir(home.path()).filePath("pointra.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("Digitizer Type=FASTRAK\r\nCoordinate System=TEVO\r\nDecimal Point=Period\r\n"
                      "Hemisphere=0,0,1\r\nnCommPort= 1\r\nSound=OFF\r\n");
        ini.close();
        window.attach(app);
        app.shell.startUp(home.path());
        window.syncFromState();
    }
    QTemporaryDir home;
    FakeDialogs dialogs;
    FakeClock clock;
    FakePump pump{clock};
    FakeSerialLink link;
    MainWindow window;
    Application app{{dialogs, window, clock, pump, link}};
};
} // namespace

void TestMainWindow::menuBarOrderAndNames()
{
    GuiRig rig;
    QStringList top;
    for (QAction *a : rig.window.menuBar()->actions())
        top << a->text().remove('&');
    QCOMPARE(top, (QStringList{"File", "Setup", "Digitize", "View", "Convert", "Help",
                               "Diagnostics", "Development"}));
    QMenu *setup = rig.window.findChild<QMenu *>("menuSetup");
    QVERIFY(setup);
    QStringList setupItems;
    for (QAction *a : setup->actions())
        setupItems << (a->isSeparator() ? "-" : a->text().remove('&'));
    QCOMPARE(setupItems,
             (QStringList{"Digitizer Type", "Coordinate System", "Decimal Point", "Comm Port",
                          "Hemisphere of Operation", "Minimum Digitizing Step", "Delay", "Sound",
                          "Baude Rate", "-", "Edit Sequence File"}));
    QMenu *hemi = rig.window.findChild<QMenu *>("menuHemisphere");
    QStringList hemiItems;
    for (QAction *a : hemi->actions())
        hemiItems << (a->isSeparator() ? "-" : a->objectName());
    QCOMPARE(hemiItems, (QStringList{"menuXplus", "menuXminus", "-", "menuYplus", "menuYminus", "-",
                                     "menuZplus", "menuZminus"}));
    for (const char *name :
         {"menuDigitizerFASTRAK", "menuCoordinatesBESA", "menu1152", "menuZero", "menuExit",
          "menuOpenINI", "menuDummyRun", "menuHelpAbout", "menuStep"})
        QVERIFY2(rig.window.action(name), name);
}

void TestMainWindow::actionsFollowState()
{
    GuiRig rig;
    QCOMPARE(rig.window.windowTitle(), QStringLiteral("Pointra with FASTRAK - TEVO Coordinates"));
    QVERIFY(rig.window.action("menuDigitizerFASTRAK")->isChecked());
    QVERIFY(rig.window.action("menuZplus")->isChecked());
    QVERIFY(rig.window.action("menuTwo")->isVisible());
    QCOMPARE(rig.window.label("XAxis")->text(), QStringLiteral("x-axis (Nasion)"));
    rig.window.invoke("menuDigitizerISOTRAK");
    QVERIFY(!rig.window.action("menuTwo")->isVisible());
    QVERIFY(!rig.window.action("menuDigitizerFASTRAK")->isChecked());
}

void TestMainWindow::triggeringAnActionRunsItsHandler()
{
    GuiRig rig;
    rig.window.action("menuCoordinatesBESA")->trigger();
    QCOMPARE(rig.app.ws.settings.CoordinateSystem, QStringLiteral("BESA"));
    QCOMPARE(rig.window.label("Label3A")->text(), QStringLiteral("BESA"));
    QVERIFY(rig.window.action("menuCoordinatesBESA")->isChecked());
    QVERIFY(!rig.window.action("menuCoordinatesTEVO")->isChecked());
}

void TestMainWindow::closeWithUnsavedDataAsks()
{
    GuiRig rig;
    rig.window.show();
    rig.app.ws.ShapeDirty = 1;
    rig.dialogs.answers.enqueue(Dialogs::Answer::Cancel);
    QVERIFY(!rig.window.close());
    QVERIFY(rig.window.isVisible());
    QCOMPARE(rig.app.ws.ExitCancelled, 0);
    rig.dialogs.answers.enqueue(Dialogs::Answer::No);
    QVERIFY(rig.window.close());
}

void TestMainWindow::aboutLabelCentred()
{
    AboutDialog about("Pointra v 5. 0\r\rBuild  051209\r\rVersion");
    about.show();
    QLabel *label = about.aboutLabel();
    QVERIFY(label->text().startsWith("Pointra v 5. 0\n\nBuild  051209"));
    QWidget *panel = about.findChild<QWidget *>("pctPanel");
    QVERIFY(qAbs((panel->width() - label->width()) / 2 - label->x()) <= 1);
}

void TestMainWindow::listingShowsAsLines()
{
    GuiRig rig;
    rig.app.ws.NumSeq = 2;
    rig.app.ws.SeqName = {"Nasion", "Cz"};
    rig.app.ws.SeqCode = {"1", "400"};
    rig.window.action("menuViewSequence")->trigger();
    const QStringList lines = rig.window.textView()->toPlainText().split('\n');
    QCOMPARE(lines.value(2), QStringLiteral("SEQUENCE data"));
    QCOMPARE(lines.value(5), QStringLiteral(" 1   Nasion   1"));
    QVERIFY(rig.window.textView()->font().fixedPitch() ||
            QFontInfo(rig.window.textView()->font()).fixedPitch());
    rig.window.action("menuViewClear")->trigger();
    QVERIFY(rig.window.textView()->toPlainText().isEmpty());
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"

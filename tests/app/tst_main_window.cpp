#include "app/about_dialog.h"
#include "app/main_window.h"
#include "rig.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void actionsFollowState();
    void triggeringAnActionRunsItsHandler();
    void closeWithUnsavedDataAsks();
    void aboutLabelCentred();
    void listingShowsAsLinesInAFixedPitchFont();

private:
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<Rig> rig;
};

void TestMainWindow::init()
{
    window = std::make_unique<MainWindow>();
    rig = std::make_unique<Rig>(window.get());
    window->attach(rig->app);
    rig->startUp(Fixtures::Ini().text());
    window->syncFromState();
}

void TestMainWindow::cleanup()
{
    rig.reset();
    window.reset();
}

void TestMainWindow::actionsFollowState()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("Pointra with FASTRAK - TEVO Coordinates"));
    QVERIFY(window->action("menuDigitizerFASTRAK")->isChecked());
    QVERIFY(window->action("menuZplus")->isChecked());
    QVERIFY(window->action("menuTwo")->isVisible());
    QCOMPARE(window->label("XAxis")->text(), QStringLiteral("x-axis (Nasion)"));
    window->invoke("menuDigitizerISOTRAK");
    QVERIFY(!window->action("menuTwo")->isVisible());
    QVERIFY(!window->action("menuDigitizerFASTRAK")->isChecked());
    QVERIFY(window->action("menuDigitizerISOTRAK")->isChecked());
}

void TestMainWindow::triggeringAnActionRunsItsHandler()
{
    window->action("menuCoordinatesBESA")->trigger();
    QCOMPARE(rig->ws.settings.CoordinateSystem, QStringLiteral("BESA"));
    QCOMPARE(window->label("Label3A")->text(), QStringLiteral("BESA"));
    QVERIFY(window->action("menuCoordinatesBESA")->isChecked());
    QVERIFY(!window->action("menuCoordinatesTEVO")->isChecked());
}

void TestMainWindow::closeWithUnsavedDataAsks()
{
    window->show();
    rig->ws.ShapeDirty = 1;
    rig->dialogs.answers.enqueue(Dialogs::Answer::Cancel);
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    QCOMPARE(rig->ws.ExitCancelled, 0);
    rig->dialogs.answers.enqueue(Dialogs::Answer::No);
    QVERIFY(window->close());
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

void TestMainWindow::listingShowsAsLinesInAFixedPitchFont()
{
    rig->ws.NumSeq = 2;
    rig->ws.SeqName = {"Nasion", "Cz"};
    rig->ws.SeqCode = {"1", "400"};
    window->action("menuViewSequence")->trigger();
    const QStringList lines = window->textView()->toPlainText().split('\n');
    QCOMPARE(lines.value(2), QStringLiteral("SEQUENCE data"));
    QCOMPARE(lines.value(5), QStringLiteral(" 1   Nasion   1"));
    // What the listing asks for; which font answers depends on the machine.
    const QFont font = window->textView()->font();
    QVERIFY(font.fixedPitch());
    QCOMPARE(font.styleHint(), QFont::Monospace);
    window->action("menuViewClear")->trigger();
    QVERIFY(window->textView()->toPlainText().isEmpty());
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"

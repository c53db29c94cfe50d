#include "app/main_window.h"
#include "app/wizard_panel.h"
#include "rig.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>
#include <functional>

namespace {
// The letter after '&' in a caption, lower case; none when there is no mnemonic.
QChar mnemonic(const QString &caption)
{
    const qsizetype at = caption.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < caption.size() ? caption.at(at + 1).toLower() : QChar();
}

// The main window on virtual time, its line leading to an emulated FASTRAK with one receiver
// on the head, a five-point sequence loaded.
struct WindowRig : Rig
{
    WindowRig() : Rig(DigitizerEmulator::Options{DigitizerModel::Fastrak, 1, 0.0, 7})
    {
        window.attach(app);
        start();
        app.menus.files.readFile(
            FileKind::Sequence,
            home.write("cap.seq",
                       "3\t2\r\n1\r\nNasion\t1\r\nLPA\t2\r\nRPA\t4\r\nCz\t400\r\nPz\t400\r\n"));
        window.syncFromState();
        window.show();
        window.activateWindow();
        QTest::qWaitForWindowActive(&window);
    }
    WizardPanel &panel() { return *window.wizardPanel(); }
    QString prompt() { return panel().promptLabel()->accessibleDescription(); }
    // Lets virtual time pass while the window's own timer polls the wizard.
    bool runUntil(const std::function<bool()> &done, int maxMs = 5000)
    {
        for (int t = 0; t <= maxMs; t += 20) {
            if (done())
                return true;
            clock.advance(20);
            QTest::qWait(12);
        }
        return done();
    }
    bool take(const QString &site)
    {
        if (!runUntil(
                [&] { return app.wizard.recordWait().phase() == RecordWait::Phase::Waiting; }))
            return false;
        const QString before = prompt();
        emu->touchSite(site);
        emu->press();
        return runUntil([&] { return prompt() != before; });
    }

    MainWindow window;
};
} // namespace

// The measurement in the window: Digitize menu, prompt panel, buttons, keyboard and name list.
class TestWizardWindow : public QObject
{
    Q_OBJECT
private slots:
    void mnemonicsAreUnique();
    void digitizeMenuFollowsTheReceivers();
    void promptIsLargeEnoughToReadFromTheChair();
    void runsTheElectrodeStep();
    void closingTheWindowEndsTheWait();
};

void TestWizardWindow::mnemonicsAreUnique()
{
    WindowRig rig;
    QSet<QChar> bar;
    for (QAction *top : rig.window.menuBar()->actions()) {
        const QChar m = mnemonic(top->text());
        QVERIFY2(!m.isNull() && !bar.contains(m), qPrintable(top->text()));
        bar.insert(m);
        QList<QMenu *> menus{top->menu()};
        while (!menus.isEmpty()) {
            QMenu *menu = menus.takeFirst();
            QSet<QChar> inMenu;
            for (QAction *a : menu->actions()) {
                if (a->isSeparator())
                    continue;
                if (a->menu())
                    menus << a->menu();
                const QChar c = mnemonic(a->text());
                QVERIFY2(c.isNull() || !inMenu.contains(c),
                         qPrintable(menu->title() + " > " + a->text()));
                inMenu.insert(c);
            }
        }
    }
    // The panel's buttons share the window with the menu bar.
    for (const char *name : {"AcceptButton", "BackButton", "RepeatButton", "NextButton",
                             "CancelButton", "Edit_Button"}) {
        auto *b = rig.window.findChild<QPushButton *>(name);
        QVERIFY2(b, name);
        const QChar m = mnemonic(b->text());
        QVERIFY2(!m.isNull() && !bar.contains(m), name);
        bar.insert(m);
    }
}

void TestWizardWindow::digitizeMenuFollowsTheReceivers()
{
    WindowRig rig;
    QAction *electrodes = rig.window.action("menuEProbes");
    QAction *fiducials = rig.window.action("menuFiducials");
    QAction *probe = rig.window.action("menuProbe");
    QVERIFY(electrodes && fiducials && probe);
    QVERIFY(!electrodes->isEnabled() && !fiducials->isEnabled() && !probe->isEnabled());
    rig.window.action("menuOne")->trigger();
    QVERIFY(electrodes->isEnabled() && fiducials->isEnabled() && !probe->isEnabled());
    rig.window.action("menuZero")->trigger();
    QVERIFY(electrodes->isEnabled() && !fiducials->isEnabled());
}

void TestWizardWindow::promptIsLargeEnoughToReadFromTheChair()
{
    WindowRig rig;
    const QFont menu = QApplication::font("QMenu");
    const QFont prompt = rig.panel().promptLabel()->font();
    if (menu.pointSizeF() > 0)
        QVERIFY(prompt.pointSizeF() >= 2 * menu.pointSizeF());
    else
        QVERIFY(prompt.pixelSize() >= 2 * menu.pixelSize());
    QVERIFY(rig.panel().pointNameLabel()->font().pointSizeF() >= prompt.pointSizeF());
}

void TestWizardWindow::runsTheElectrodeStep()
{
    WindowRig rig;
    WizardPanel &panel = rig.panel();
    rig.window.action("menuOne")->trigger();
    rig.window.action("menuEProbes")->trigger();
    QCOMPARE(rig.prompt(), QString("Mount the receiver\non the subject."));
    QVERIFY(panel.button("NextButton")->isEnabled() && !panel.button("BackButton")->isEnabled());
    QCOMPARE(rig.window.palette().color(QPalette::Window), QColor(Qt::white));
    QTest::mouseClick(panel.button("NextButton"), Qt::LeftButton);
    QCOMPARE(rig.prompt(), QString("Place the transmitter\nnear the subject."));
    // Next without the mouse.
    QTest::keyClick(&rig.window, Qt::Key_PageDown);
    QCOMPARE(rig.prompt(), QString("Digitize  Nasion"));
    QCOMPARE(panel.progressLabel()->text(), QString("Point 1 of 5"));
    QCOMPARE(panel.pointNameLabel()->text(), QString("Nasion"));
    QVERIFY(panel.polling());
    QVERIFY(rig.take("Nasion"));
    QCOMPARE(panel.pointNameLabel()->text(), QString("Left Preauricular"));
    QVERIFY(rig.take("LPA"));
    // Back without the mouse, then Next again.
    QTest::keyClick(&rig.window, Qt::Key_PageUp);
    QCOMPARE(panel.progressLabel()->text(), QString("Point 2 of 5"));
    QVERIFY(panel.button("NextButton")->isEnabled());
    QTest::keyClick(&rig.window, Qt::Key_PageDown);
    QCOMPARE(panel.progressLabel()->text(), QString("Point 3 of 5"));
    for (const char *site : {"RPA", "Cz", "Pz"})
        QVERIFY(rig.take(site));
    QVERIFY(rig.runUntil([&] { return !rig.app.wizard.waiting(); }) && !panel.polling());
    QVERIFY(panel.button("AcceptButton")->isEnabled() && !panel.button("NextButton")->isEnabled());
    QCOMPARE(rig.window.palette().color(QPalette::Window), QColor(0x80, 0x80, 0x80));
    QCOMPARE(panel.progressLabel()->text(), QString());
    QListWidget *names = panel.nameList();
    QVERIFY(names->isVisible());
    QCOMPARE(names->count(), 2);
    QCOMPARE(names->item(1)->text(), QString("Pz"));
    QCOMPARE(rig.app.ui.value("Label02").text, QString("Electrodes"));
    QVERIFY(rig.window.findChild<QWidget *>("Picture1")->isVisible());
    // A click on a name digitizes that electrode again.
    rig.dialogs.answers.enqueue(Dialogs::Answer::Yes);
    const QRect row = names->visualItemRect(names->item(1));
    QTest::mouseClick(names->viewport(), Qt::LeftButton, {}, row.center());
    QCOMPARE(rig.dialogs.shown.last().text, QString("Do you want to re-digitize Pz?"));
    QCOMPARE(rig.prompt(), QString("Digitize  Pz"));
    QVERIFY(panel.polling());
    QVERIFY(rig.take("Pz"));
    QVERIFY(panel.button("AcceptButton")->isEnabled());
    // Accept: no head shape now; the display is cleared.
    rig.dialogs.answers.enqueue(Dialogs::Answer::No);
    QTest::mouseClick(panel.button("AcceptButton"), Qt::LeftButton);
    QCOMPARE(rig.dialogs.shown.last().text,
             QString("Do you want to continue with shape digitization ?"));
    QVERIFY(!names->isVisible() && !panel.button("CancelButton")->isEnabled());
    QCOMPARE(rig.ws.ElectrodesDirty, 1);
}

void TestWizardWindow::closingTheWindowEndsTheWait()
{
    WindowRig rig;
    rig.window.action("menuOne")->trigger();
    rig.window.action("menuEProbes")->trigger();
    QTest::mouseClick(rig.panel().button("NextButton"), Qt::LeftButton);
    QTest::mouseClick(rig.panel().button("NextButton"), Qt::LeftButton);
    QVERIFY(rig.take("Nasion"));
    QVERIFY(rig.app.wizard.waiting());
    QVERIFY(rig.window.close());
    QVERIFY(!rig.app.wizard.waiting() && !rig.panel().polling() && !rig.link.isOpen());
    // The unfinished measurement stays recoverable.
    QVERIFY(QFile::exists(rig.home.path("pointra.journal")));
}

QTEST_MAIN(TestWizardWindow)
#include "tst_wizard_window.moc"

#include "app/console_window.h"
#include "app/main_window.h"
#include "app/menu_layout.h"
#include "app/plot_area.h"
#include "app/sequence_editor_launch.h"
#include "app/sequence_editor_window.h"
#include "app/stream_window.h"
#include "app/view_widget.h"
#include "app/wizard_panel.h"
#include "display/view_controls.h"
#include "rig.h"
#include "sample_files.h"
#include "shell/command_line.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace ViewControls;

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
    explicit WindowRig(int receivers = 1)
        : Rig(DigitizerEmulator::Options{DigitizerModel::Fastrak, receivers, 0.0, 7})
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
    // Where a workspace point is drawn, the nasion's 9.5 cm scaled to 5.
    QPoint pixelOf(const Point3 &metres)
    {
        return Projection(state()).toPixels(Point3(5 / 0.095 * metres))->toPoint();
    }
    // A sample cap of `n` electrodes opened and shown.
    void showElectrodes(int n = 3)
    {
        QVERIFY(app.menus.files.openPath(SampleFiles::cap(home.path("cap.elp"), n)));
        QVERIFY(window.invoke("menuDisplayEProbe"));
        QApplication::processEvents();
    }
    ViewWidget &widget() { return *window.viewWidget(); }
    template <typename W> W *open() const { return window.findChild<W *>(); }
    // Service mode with `receivers` of the emulator's receivers on the head.
    void serviceMode(int receivers = 1)
    {
        ws.ReceiverCount = receivers;
        app.shell.setServiceMode(true);
        window.syncFromState();
    }
    PointView &view() { return app.menus.display.view(); }
    ViewState &state() { return view().state(); }

    MainWindow window;
};
void sendMouse(QWidget *w, QEvent::Type type, QPointF at, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void sendWheel(QWidget *w, int delta)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}
// Runs `check` on the editor window once it is shown modally, then lets the test go on.
void whenEditorShown(std::function<void(SequenceEditorWindow *)> check)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, check] {
        auto *editor = qobject_cast<SequenceEditorWindow *>(QApplication::activeModalWidget());
        if (!editor)
            return;
        timer->stop();
        timer->deleteLater();
        check(editor);
    });
    timer->start(10);
}
} // namespace

// The main window: menus and their states, the measurement through the prompt panel, buttons,
// keyboard and name list, and the view of opened files.
class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void actionsFollowState();
    void mnemonicsAreUnique();
    void closeWithUnsavedDataAsks();
    void listingShowsAsLinesInAFixedPitchFont();
    void promptIsLargeEnoughToReadFromTheChair();
    void runsTheElectrodeStep();
    void closingTheWindowEndsTheWait();
    void digitizesAHeadShape();
    void showsElectrodesAndShape();
    void holdingAButtonRepeatsUntilRelease();
    void dragTurnsAndWheelZooms();
    void mouseLeavesAFixedViewAlone();
    void labelOptionShowsClickableNames();
    void selectingARowMarksThePoint();
    void resizingKeepsTheOriginCentred();
    void setupMenuOpensTheEditorModally();
    void editSequenceCommandOpensTheFile();
    void serviceMenusAreComplete();
    void continuousTestStopButton();
    void closingTheWindowEndsTheTest();
    void console();
};

void TestMainWindow::actionsFollowState()
{
    WindowRig rig;
    MainWindow &w = rig.window;
    QCOMPARE(w.windowTitle(), "Pointra with FASTRAK - TEVO Coordinates");
    QVERIFY(w.action("menuDigitizerFASTRAK")->isChecked());
    QVERIFY(w.action("menuZplus")->isChecked() && w.action("menuTwo")->isVisible());
    QCOMPARE(w.label("XAxis")->text(), "x-axis (Nasion)");
    w.invoke("menuDigitizerISOTRAK");
    QVERIFY(!w.action("menuTwo")->isVisible());
    QVERIFY(!w.action("menuDigitizerFASTRAK")->isChecked());
    QVERIFY(w.action("menuDigitizerISOTRAK")->isChecked());
    w.action("menuCoordinatesBESA")->trigger();
    QCOMPARE(rig.ws.settings.CoordinateSystem, "BESA");
    QCOMPARE(w.label("Label3A")->text(), "BESA");
    QVERIFY(w.action("menuCoordinatesBESA")->isChecked());
    QVERIFY(!w.action("menuCoordinatesTEVO")->isChecked());
    // The Digitize menu follows the receivers on the head.
    QAction *electrodes = w.action("menuEProbes");
    QAction *fiducials = w.action("menuFiducials");
    QAction *probe = w.action("menuProbe");
    QVERIFY(!electrodes->isEnabled() && !fiducials->isEnabled() && !probe->isEnabled());
    w.action("menuOne")->trigger();
    QVERIFY(electrodes->isEnabled() && fiducials->isEnabled() && !probe->isEnabled());
    w.action("menuZero")->trigger();
    QVERIFY(electrodes->isEnabled() && !fiducials->isEnabled());
}

void TestMainWindow::mnemonicsAreUnique()
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

void TestMainWindow::closeWithUnsavedDataAsks()
{
    WindowRig rig;
    rig.ws.ShapeDirty = 1;
    rig.dialogs.answers.enqueue(Dialogs::Answer::Cancel);
    QVERIFY(!rig.window.close() && rig.window.isVisible());
    QCOMPARE(rig.ws.ExitCancelled, 0);
    rig.dialogs.answers.enqueue(Dialogs::Answer::No);
    QVERIFY(rig.window.close());
}

void TestMainWindow::listingShowsAsLinesInAFixedPitchFont()
{
    WindowRig rig;
    rig.window.action("menuViewSequence")->trigger();
    const QStringList lines = rig.window.textView()->toPlainText().split('\n');
    QCOMPARE(lines.value(2), "SEQUENCE data");
    QCOMPARE(lines.value(5), " 1   Nasion   1");
    // What the listing asks for; which font answers depends on the machine.
    const QFont font = rig.window.textView()->font();
    QVERIFY(font.fixedPitch());
    QCOMPARE(font.styleHint(), QFont::Monospace);
    rig.window.action("menuViewClear")->trigger();
    QVERIFY(rig.window.textView()->toPlainText().isEmpty());
}

void TestMainWindow::promptIsLargeEnoughToReadFromTheChair()
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

void TestMainWindow::runsTheElectrodeStep()
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

void TestMainWindow::closingTheWindowEndsTheWait()
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

// A 32-electrode cap and a 400-point head shape opened through File > Open and shown.
void TestMainWindow::showsElectrodesAndShape()
{
    WindowRig rig;
    MainWindow &window = rig.window;
    rig.dialogs.fileAnswers.enqueue(SampleFiles::cap(rig.home.path("cap.elp"), 32));
    QVERIFY(window.invoke("menuOpen"));
    QVERIFY(window.invoke("menuDisplayEProbe"));
    ViewWidget *view = window.viewWidget();
    PointView &points = rig.app.menus.display.view();
    QVERIFY(view->picture()->isVisible());
    QCOMPARE(window.label(DisplayCaption)->text(), QStringLiteral("Electrodes"));
    QTest::mouseClick(view->labelOption(1), Qt::LeftButton);
    QTRY_COMPARE(points.renderPending(), false);
    QCOMPARE(view->pointsTable()->model()->rowCount(), 3 + 32);
    QImage shown = view->picture()->grab().toImage();
    QCOMPARE(shown.pixelColor(rig.pixelOf(rig.ws.meas.Fid[0])), QColor(0, 0, 255));
    QCOMPARE(shown.pixelColor(rig.pixelOf(rig.ws.meas.Fid[1])), QColor(255, 0, 0));
    // Screenshots of the window as the operator sees it, kept in the build folder.
    const QDir out(QCoreApplication::applicationDirPath());
    QVERIFY(window.grab().save(out.filePath("view-electrodes.png")));

    rig.dialogs.fileAnswers.enqueue(SampleFiles::shape(rig.home.path("head.hsp"), 400));
    QVERIFY(window.invoke("menuOpen"));
    QVERIFY(window.invoke("menuDShape"));
    QCOMPARE(window.label(DisplayCaption)->text(), QStringLiteral("Shape"));
    QVERIFY(!view->findChild<QWidget *>(OptionPanel)->isVisible());
    QTRY_COMPARE(points.renderPending(), false);
    for (PointNameLabel *l : view->picture()->nameLabels())
        QVERIFY(!l->isVisible());
    QCOMPARE(view->pointsTable()->model()->rowCount(), 3 + 400);
    shown = view->picture()->grab().toImage();
    for (int i = 0; i < 400; i += 7)
        QCOMPARE(shown.pixelColor(rig.pixelOf(rig.ws.ShapePos[i])), QColor(Qt::black));
    QVERIFY(window.grab().save(out.filePath("view-shape.png")));

    QVERIFY(window.invoke("menuDClear") && !view->picture()->isVisible());
    QVERIFY(!view->button("LeftButton")->isEnabled());
    QVERIFY2(rig.dialogs.texts().filter("No data").isEmpty(),
             qPrintable(rig.dialogs.texts().join('|')));
}

void TestMainWindow::holdingAButtonRepeatsUntilRelease()
{
    WindowRig rig;
    rig.showElectrodes();
    for (const Button &b : Buttons)
        QVERIFY2(!rig.widget().button(b.name)->accessibleName().isEmpty(), b.name);
    QAbstractButton *left = rig.widget().button("LeftButton");
    QVERIFY(left->isVisible() && left->isEnabled());
    QSignalSpy rendered(&rig.view(), &PointView::rendered);
    QTest::mousePress(left, Qt::LeftButton);
    QCOMPARE(rig.state().ViewAzimuth, 181);
    QTRY_VERIFY_WITH_TIMEOUT(rig.state().ViewAzimuth >= 185, 3000);
    QTest::mouseRelease(left, Qt::LeftButton);
    const int released = rig.state().ViewAzimuth;
    QTest::qWait(3 * HoldRepeat::DefaultRepeatMs + HoldRepeat::DefaultFirstDelayMs);
    QCOMPARE(rig.state().ViewAzimuth, released);
    // Held steps are drawn in batches, not one picture per step.
    QVERIFY(rendered.count() >= 1 && rendered.count() <= released - 180);
    // The zoom button steps the scale the same way.
    QTest::mouseClick(rig.widget().button("SSCommand2"), Qt::LeftButton);
    QCOMPARE(rig.state().PlotScale, 160.0);
}

void TestMainWindow::dragTurnsAndWheelZooms()
{
    WindowRig rig;
    rig.showElectrodes();
    PlotArea *plot = rig.widget().picture();
    sendMouse(plot, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
    sendMouse(plot, QEvent::MouseMove, {120, 100}, Qt::LeftButton);
    sendMouse(plot, QEvent::MouseMove, {140, 80}, Qt::LeftButton);
    // The turn follows the whole drag, not the sum of its moves.
    QCOMPARE(rig.state().ViewAzimuth, 180 + 20);
    QCOMPARE(rig.state().ViewElevation, -90 + 10);
    sendMouse(plot, QEvent::MouseButtonRelease, {140, 80}, Qt::NoButton);
    sendMouse(plot, QEvent::MouseMove, {190, 190}, Qt::NoButton);
    QCOMPARE(rig.state().ViewAzimuth, 200);
    sendWheel(plot, 120);
    QVERIFY(std::abs(rig.state().PlotScale - 150 * WheelZoomPerNotch) < 1e-9);
    sendWheel(plot, -240);
    QVERIFY(std::abs(rig.state().PlotScale - 150 / WheelZoomPerNotch) < 1e-9);
    // A button step and the mouse act on the same state.
    QTest::mouseClick(rig.widget().button("RightButton"), Qt::LeftButton);
    QCOMPARE(rig.state().ViewAzimuth, 199);
    QTRY_COMPARE(rig.view().renderPending(), false);
    QCOMPARE(rig.view().image().pixelColor(rig.pixelOf(rig.ws.meas.Fid[0])), QColor(0, 0, 255));
}

void TestMainWindow::mouseLeavesAFixedViewAlone()
{
    WindowRig rig;
    rig.ws.ReceiverCount = 1;
    rig.ws.ReceiverFid = {{Point3(0.1, 0, 0), Point3(0, 0.08, 0), Point3(0, -0.08, 0)}};
    rig.window.invoke("menuDFiducials"); // HoldActive stays 0: the view does not move
    PlotArea *plot = rig.widget().picture();
    QVERIFY(plot->isVisible());
    sendMouse(plot, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton);
    sendMouse(plot, QEvent::MouseMove, {150, 90}, Qt::LeftButton);
    sendMouse(plot, QEvent::MouseButtonRelease, {150, 90}, Qt::NoButton);
    sendWheel(plot, 120);
    QCOMPARE(rig.state().ViewAzimuth, 180);
    QCOMPARE(rig.state().ViewElevation, -90);
    QCOMPARE(rig.state().PlotScale, 150.0);
    QVERIFY(!rig.widget().button("LeftButton")->isEnabled());
    QCOMPARE(rig.widget().pointsTable()->model()->rowCount(), 0); // no table for this set
}

void TestMainWindow::labelOptionShowsClickableNames()
{
    WindowRig rig;
    rig.showElectrodes(4);
    QTRY_COMPARE(rig.widget().picture()->nameLabels().size(), std::size_t(4));
    for (PointNameLabel *l : rig.widget().picture()->nameLabels())
        QVERIFY(!l->isVisible());
    QRadioButton *on = rig.widget().labelOption(1);
    QTRY_VERIFY(!rig.view().renderPending());
    QSignalSpy rendered(&rig.view(), &PointView::rendered);
    QTest::mouseClick(on, Qt::LeftButton);
    QVERIFY(on->isChecked());
    const auto labels = rig.widget().picture()->nameLabels();
    const auto &placed = rig.view().lastDraw().labels;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        QVERIFY(labels[i]->isVisible());
        QCOMPARE(labels[i]->text(), QStringLiteral("  E%1      ").arg(i + 1));
        QCOMPARE(labels[i]->pos(), (placed[i].topLeft / TwipsPerPixel).toPoint());
    }
    QSignalSpy clicked(&rig.view(), &PointView::nameLabelClicked);
    QTest::mouseClick(labels[2], Qt::LeftButton, {}, QPoint(6, 4));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.first().first().toInt(), 2);
    QTest::mouseClick(rig.widget().labelOption(0), Qt::LeftButton);
    for (PointNameLabel *l : rig.widget().picture()->nameLabels())
        QVERIFY(!l->isVisible());
    // Labels come and go without a redraw.
    QVERIFY(!rig.view().renderPending());
    QCOMPARE(rendered.count(), 0);
    // Without electrodes a click changes nothing: the option shown snaps back.
    rig.ws.sensors.NumSensors = 0;
    QTest::mouseClick(on, Qt::LeftButton);
    QVERIFY(!on->isChecked() && rig.widget().labelOption(0)->isChecked());
}

void TestMainWindow::selectingARowMarksThePoint()
{
    WindowRig rig;
    rig.showElectrodes(5);
    QTableView *table = rig.widget().pointsTable();
    QTRY_COMPARE(table->model()->rowCount(), 3 + 5);
    table->selectRow(3 + 2);
    QCOMPARE(rig.view().scene().markedRow, 5);
    QTRY_COMPARE(rig.view().renderPending(), false);
    const QPoint at = rig.pixelOf(rig.ws.meas.Pos[2]);
    // The mark is a ring around the point.
    int ring = 0;
    for (int dx = -10; dx <= 10; ++dx)
        for (int dy = -10; dy <= 10; ++dy)
            ring += rig.view().image().pixelColor(at + QPoint(dx, dy)) == DrawOptions().highlight;
    QVERIFY(ring > 20);
}

void TestMainWindow::resizingKeepsTheOriginCentred()
{
    WindowRig rig;
    rig.showElectrodes();
    const QSize before = rig.widget().picture()->size();
    rig.window.resize(rig.window.size() + QSize(200, 150));
    QApplication::processEvents();
    const QSize plot = rig.widget().picture()->size();
    QVERIFY(plot.width() > before.width() && plot.height() > before.height());
    QCOMPARE(rig.view().plotSize(), plot);
    QCOMPARE(rig.state().PlotOffsetX, plot.width() * TwipsPerPixel / 2);
    QCOMPARE(rig.state().PlotOffsetY, plot.height() * TwipsPerPixel / 2);
    QCOMPARE(rig.view().image().size(), plot);
}

void TestMainWindow::setupMenuOpensTheEditorModally()
{
    WindowRig rig;
    QString title;
    whenEditorShown([&title](SequenceEditorWindow *editor) {
        title = editor->windowTitle();
        editor->invoke("menuNew");
        editor->invoke("menuAccept");
    });
    rig.window.action("menuEditSequence")->trigger(); // returns when the editor has closed
    QCOMPARE(title, rig.home.path("cap.seq").prepend("Sequence File Editor - "));
    QCOMPARE(rig.ws.NumSeq, 4);
    QCOMPARE(rig.ws.SeqName.first(), QStringLiteral("NZ"));
    QCOMPARE(rig.ws.SeqDirty, 1);
}

void TestMainWindow::editSequenceCommandOpensTheFile()
{
    WindowRig rig;
    QDir::setCurrent(QStringLiteral(POINTRA_SOURCE_DIR));
    const QString file = QStringLiteral("data/templates/pnt64.seq");
    const ProgramOptions options = parseProgramArguments({"--edit-sequence", file});
    QVERIFY(options.editSequence);
    QString title;
    int rows = 0;
    whenEditorShown([&](SequenceEditorWindow *editor) {
        title = editor->windowTitle();
        rows = editor->grid()->model()->rowCount();
        editor->reject(); // nothing changed: closes without a question
    });
    QCOMPARE(runEditSequenceCommand(rig.app, options.sequenceFile), 0);
    QCOMPARE(title, "Sequence File Editor - " + file);
    QVERIFY(rows > 60);
    QCOMPARE(rig.ws.NumSeq, rows);
    QVERIFY(rig.dialogs.shown.isEmpty());
}

// Every item of the service menus has a handler; the menus show in service mode only.
void TestMainWindow::serviceMenusAreComplete()
{
    WindowRig rig;
    rig.serviceMode();
    std::function<void(const std::vector<MenuItem> &)> check = [&](const auto &items) {
        for (const MenuItem &item : items) {
            if (item.children.empty() && QLatin1String(item.caption) != QLatin1String("-"))
                QVERIFY2(rig.app.commands.has(QString::fromLatin1(item.name)), item.name);
            check(item.children);
        }
    };
    for (const MenuItem &top : mainMenuLayout())
        if (ShellController::ServiceMenus.contains(QString::fromLatin1(top.name)))
            check(top.children);
    for (const QString &menu : ShellController::ServiceMenus)
        QVERIFY2(rig.window.action(menu) && rig.window.action(menu)->isVisible(), qPrintable(menu));
    rig.app.shell.setServiceMode(false);
    rig.window.syncFromState();
    for (const QString &menu : ShellController::ServiceMenus)
        QVERIFY(!rig.window.action(menu)->isVisible());
}

void TestMainWindow::continuousTestStopButton()
{
    WindowRig rig;
    rig.serviceMode();
    const int sentBefore = rig.emu->recordsSent();
    rig.pressAfter(400);
    QVERIFY(rig.window.invoke("menuFStartDigitizing"));
    StreamWindow *w = rig.open<StreamWindow>();
    QVERIFY(w && w->isModal());
    // Records arrive while the event loop runs: nothing waits inside a handler.
    QVERIFY(rig.runUntil([&] { return w->recordsShown() >= 5; }, 8000));
    QTest::mouseClick(w->stopButton(), Qt::LeftButton);
    const int sent = rig.emu->recordsSent() - sentBefore;
    QCOMPARE(w->recordsShown(), sent);
    QCOMPARE(rig.dialogs.texts().last(),
             QStringLiteral("Digitizing Stopped - Total points %1").arg(sent));
    QCOMPARE(w->findChild<QLabel *>("StreamStatus")->text(),
             QStringLiteral("Stopped: %1 records").arg(sent));
    const QString shown = w->findChild<QPlainTextEdit *>("StreamRecords")->toPlainText();
    QCOMPARE(int(shown.count("Stylus: ")), sent);
    QCOMPARE(int(shown.count("Receiver 1: ")), sent);
    QVERIFY(!rig.link.isOpen());
    QCOMPARE(w->stopButton()->text(), QStringLiteral("&Close"));
    QTest::mouseClick(w->stopButton(), Qt::LeftButton);
    QTRY_VERIFY(!rig.open<StreamWindow>());
}

void TestMainWindow::closingTheWindowEndsTheTest()
{
    WindowRig rig(3);
    rig.serviceMode(3);
    rig.pressAfter(300);
    QVERIFY(rig.window.invoke("menuFStartDigitizing") && rig.open<StreamWindow>());
    QVERIFY(rig.runUntil([&] { return rig.open<StreamWindow>()->recordsShown() >= 2; }, 8000));
    rig.open<StreamWindow>()->close();
    QTRY_VERIFY(!rig.open<StreamWindow>());
    QCOMPARE(rig.app.menus.service.monitor()->ending(), StreamMonitor::Ending::Stopped);
    QVERIFY(rig.dialogs.texts().last().startsWith("Digitizing Stopped - Total points "));
    // A second test can start once the first has ended.
    QVERIFY(rig.window.invoke("menuFStartDigitizing") && rig.open<StreamWindow>());
    rig.open<StreamWindow>()->close();
    QTRY_VERIFY(!rig.open<StreamWindow>());
}

void TestMainWindow::console()
{
    WindowRig rig;
    rig.serviceMode();
    QVERIFY(rig.window.invoke("menuConsole"));
    ConsoleWindow *c = rig.open<ConsoleWindow>();
    QVERIFY(c && c->commandBox()->findText("O1") >= 0);
    c->commandBox()->setCurrentText("O1");
    QTest::mouseClick(c->sendButton(), Qt::LeftButton);
    const auto shows = [&](const char *text) {
        return rig.runUntil([&] { return c->transcriptView()->toPlainText().contains(text); });
    };
    QVERIFY(shows("  21O2,1<CR><LF>"));
    QVERIFY(rig.runUntil([&] { return !rig.link.isOpen(); }));
    // Return sends as well.
    c->commandBox()->setCurrentText("l2");
    // As the keyboard delivers it: to the box, which hands it to its line edit.
    QTest::keyClick(c->commandBox(), Qt::Key_Return);
    QVERIFY(shows("  22l1111<CR><LF>"));
    c->close();
    QTRY_VERIFY(!rig.open<ConsoleWindow>());
    QVERIFY(rig.dialogs.shown.isEmpty());
}

// Head-shape digitizing in the window: Digitize > Shape, the fiducials, the sweeps drawn as they
// stream, the sequence list and its Delete button.
void TestMainWindow::digitizesAHeadShape()
{
    WindowRig rig;
    QVERIFY(rig.window.invoke("menuOne"));
    QVERIFY(rig.ui.value("menuShape").enabled);
    QVERIFY(rig.window.invoke("menuShape"));
    QCOMPARE(rig.prompt(), QStringLiteral("Mount the receiver\non the subject."));
    QTest::mouseClick(rig.panel().button("NextButton"), Qt::LeftButton);
    QTest::mouseClick(rig.panel().button("NextButton"), Qt::LeftButton);
    for (int pass = 0; pass < 2; ++pass)
        for (const char *site : {"Nasion", "LPA", "RPA"})
            QVERIFY(rig.take(QString::fromLatin1(site)));
    QVERIFY2(rig.prompt().startsWith("Delta - F1: "), qPrintable(rig.prompt()));
    QTest::mouseClick(rig.panel().button("AcceptButton"), Qt::LeftButton);
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
    rig.dialogs.answers.enqueue(Dialogs::Answer::Yes);
    QTest::mouseClick(rig.window.findChild<QPushButton *>("SeqDelete"), Qt::LeftButton);
    QCOMPARE(list->count(), 1);
    QCOMPARE(rig.ws.NumShapePoints, second);

    QTest::mouseClick(rig.panel().button("AcceptButton"), Qt::LeftButton);
    QCOMPARE(rig.ws.ShapeDirty, 1);
    QVERIFY(!list->isVisible());
    QVERIFY(!rig.app.wizard.waiting());
    QCOMPARE(rig.dialogs.texts().size(), 1); // the question before deleting
    QVERIFY(!rig.window.findChild<QPushButton *>("SeqDelete")->isVisible());
    // The save says where it went without stopping the operator.
    QVERIFY(rig.window.invoke("menuSaveShape"));
    QVERIFY(QFileInfo::exists(rig.home.path("pointraE.hsp")));
    QVERIFY2(rig.window.statusBar()->currentMessage().endsWith("pointraE.hsp"),
             qPrintable(rig.window.statusBar()->currentMessage()));
    QCOMPARE(rig.ws.ShapeDirty, 0);
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"

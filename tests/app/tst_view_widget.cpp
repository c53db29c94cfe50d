#include "app/main_window.h"
#include "app/plot_area.h"
#include "app/view_widget.h"
#include "commands/display_commands.h"
#include "data/electrode_file.h"
#include "data/shape_file.h"
#include "data/workspace.h"
#include "display/view_controls.h"
#include "seams/wave_audio.h"
#include "shell/app_core.h"
#include "temp_home.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QWheelEvent>
#include <cmath>

class TestViewWidget : public QObject
{
    Q_OBJECT
private slots:
    void controlsCarryTheirNames();
    void holdingAButtonRepeatsUntilRelease();
    void dragTurnsAndWheelZooms();
    void mouseLeavesAFixedViewAlone();
    void labelOptionShowsClickableNames();
    void selectingARowMarksThePoint();
    void resizingKeepsTheOriginCentred();
    void menuMnemonicsAreUnique();
    void windowShowsElectrodesAndShape();
};

namespace {
using namespace ViewControls;

// The view widget on the display commands, the window's invoke-and-sync in small.
struct WidgetRig
{
    WidgetRig()
    {
        base.ws.settings.CoordinateSystem = QStringLiteral("TEVO");
        display.registerCommands(base.commands);
        widget.attach(display, [this](const QString &name) {
            const bool known = base.invoke(name);
            widget.syncFrom(base.ui);
            return known;
        });
        widget.resize(900, 600);
        widget.syncFrom(base.ui);
        widget.show();
        exposed = QTest::qWaitForWindowExposed(&widget);
    }
    void invoke(const QString &name)
    {
        base.invoke(name);
        widget.syncFrom(base.ui);
        QApplication::processEvents();
    }
    PointView &view() { return display.view(); }
    ViewState &state() { return display.view().state(); }

    TestRig base;
    DisplayCommands display{base.session};
    ViewWidget widget;
    bool exposed = false;
};

void loadElectrodes(Workspace &ws, int n = 3)
{
    ws.sensors.NumSensors = n;
    ws.meas.resize(n);
    ws.meas.Fid = {Point3(0.095, 0, 0), Point3(0, 0.075, 0), Point3(0, -0.075, 0)};
    std::vector<QString> names;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * M_PI * i / n;
        ws.meas.Pos[i] = Point3(0.06 * std::cos(a), 0.06 * std::sin(a), 0.07);
        ws.meas.Type[i] = QStringLiteral("400");
        names.push_back(QStringLiteral("E%1").arg(i + 1));
    }
    ws.meas.Name = namesAsFixed8(names);
}

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

QPoint pixelOf(const PointView &view, const Point3 &displayPoint)
{
    return Projection(view.state()).toPixels(displayPoint)->toPoint();
}

QString screenshotPath(const QString &name)
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}
} // namespace

void TestViewWidget::controlsCarryTheirNames()
{
    WidgetRig rig;
    QVERIFY(rig.exposed);
    QStringList names = {Picture,       PromptPanel, DisplayPanel,   OptionPanel,    DisplayCaption,
                         OptionCaption, "XAxis",     "YAxis",        "ZAxis",        "Line1",
                         "Line2",       "Line3",     labelOption(0), labelOption(1), "PointsTable"};
    for (const Button &b : Buttons)
        names << QString::fromLatin1(b.name);
    for (const QString &name : names) {
        auto *w = rig.widget.findChild<QWidget *>(name);
        QVERIFY2(w, qPrintable(name));
        if (qobject_cast<QAbstractButton *>(w) && !name.startsWith("LabelOption"))
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(name));
    }
    // Nothing is shown before a Display command.
    QVERIFY(!rig.widget.findChild<QWidget *>(DisplayPanel)->isVisible());
}

void TestViewWidget::holdingAButtonRepeatsUntilRelease()
{
    WidgetRig rig;
    loadElectrodes(rig.base.ws);
    rig.invoke("menuDisplayEProbe");
    QAbstractButton *left = rig.widget.button("LeftButton");
    QVERIFY(left->isVisible() && left->isEnabled());
    QSignalSpy rendered(&rig.view(), &PointView::rendered);

    QTest::mousePress(left, Qt::LeftButton);
    QCOMPARE(rig.state().HoldCode, 1);
    QCOMPARE(rig.state().ViewAzimuth, 181);
    QVERIFY(rig.view().hold().isRepeating());
    QTRY_VERIFY_WITH_TIMEOUT(rig.state().ViewAzimuth >= 185, 3000);
    QTest::mouseRelease(left, Qt::LeftButton);
    QCOMPARE(rig.state().HoldCode, 2);
    const int released = rig.state().ViewAzimuth;
    QTest::qWait(3 * HoldRepeat::DefaultRepeatMs + HoldRepeat::DefaultFirstDelayMs);
    QCOMPARE(rig.state().ViewAzimuth, released);
    // Held steps are drawn in batches, not one picture per step.
    QVERIFY(rendered.count() >= 1);
    QVERIFY(rendered.count() <= released - 180);

    // The zoom button steps the scale the same way.
    QAbstractButton *zoomIn = rig.widget.button("SSCommand2");
    QTest::mousePress(zoomIn, Qt::LeftButton);
    QTest::mouseRelease(zoomIn, Qt::LeftButton);
    QCOMPARE(rig.state().PlotScale, 160.0);
    QCOMPARE(rig.state().HoldCode, 12);
}

void TestViewWidget::dragTurnsAndWheelZooms()
{
    WidgetRig rig;
    loadElectrodes(rig.base.ws);
    rig.invoke("menuDisplayEProbe");
    PlotArea *plot = rig.widget.picture();
    const QPointF start(100, 100);
    sendMouse(plot, QEvent::MouseButtonPress, start, Qt::LeftButton);
    sendMouse(plot, QEvent::MouseMove, start + QPointF(20, 0), Qt::LeftButton);
    sendMouse(plot, QEvent::MouseMove, start + QPointF(40, -20), Qt::LeftButton);
    // The turn follows the whole drag, not the sum of its moves.
    QCOMPARE(rig.state().ViewAzimuth, 180 + 20);
    QCOMPARE(rig.state().ViewElevation, -90 + 10);
    sendMouse(plot, QEvent::MouseButtonRelease, start + QPointF(40, -20), Qt::NoButton);
    sendMouse(plot, QEvent::MouseMove, start + QPointF(90, 90), Qt::NoButton);
    QCOMPARE(rig.state().ViewAzimuth, 200);

    sendWheel(plot, 120);
    QVERIFY(std::abs(rig.state().PlotScale - 150 * WheelZoomPerNotch) < 1e-9);
    sendWheel(plot, -240);
    QVERIFY(std::abs(rig.state().PlotScale - 150 / WheelZoomPerNotch) < 1e-9);
    // A button step and the mouse act on the same state.
    QTest::mouseClick(rig.widget.button("RightButton"), Qt::LeftButton);
    QCOMPARE(rig.state().ViewAzimuth, 199);
    QTRY_COMPARE(rig.view().renderPending(), false);
    const double f = 5 / 0.095;
    QCOMPARE(rig.view().image().pixelColor(pixelOf(rig.view(), f * rig.base.ws.meas.Fid[0])),
             QColor(0, 0, 255));
}

void TestViewWidget::mouseLeavesAFixedViewAlone()
{
    WidgetRig rig;
    rig.base.ws.ReceiverCount = 1;
    rig.base.ws.ReceiverFid = {{Point3(0.1, 0, 0), Point3(0, 0.08, 0), Point3(0, -0.08, 0)}};
    rig.invoke("menuDFiducials"); // HoldActive stays 0: the view does not move
    PlotArea *plot = rig.widget.picture();
    QVERIFY(plot->isVisible());
    sendMouse(plot, QEvent::MouseButtonPress, QPointF(50, 50), Qt::LeftButton);
    sendMouse(plot, QEvent::MouseMove, QPointF(150, 90), Qt::LeftButton);
    sendMouse(plot, QEvent::MouseButtonRelease, QPointF(150, 90), Qt::NoButton);
    sendWheel(plot, 120);
    QCOMPARE(rig.state().ViewAzimuth, 180);
    QCOMPARE(rig.state().ViewElevation, -90);
    QCOMPARE(rig.state().PlotScale, 150.0);
    QVERIFY(!rig.widget.button("LeftButton")->isEnabled());
}

void TestViewWidget::labelOptionShowsClickableNames()
{
    WidgetRig rig;
    loadElectrodes(rig.base.ws, 4);
    rig.invoke("menuDisplayEProbe");
    QTRY_COMPARE(rig.widget.picture()->nameLabels().size(), std::size_t(4));
    for (PointNameLabel *l : rig.widget.picture()->nameLabels())
        QVERIFY(!l->isVisible());

    QRadioButton *on = rig.widget.labelOption(1);
    QCOMPARE(on->text(), QStringLiteral("ON"));
    QTest::mouseClick(on, Qt::LeftButton);
    QVERIFY(on->isChecked());
    const auto labels = rig.widget.picture()->nameLabels();
    const auto &placed = rig.view().lastDraw().labels;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        QVERIFY(labels[i]->isVisible());
        QCOMPARE(labels[i]->objectName(), QStringLiteral("NameLabel"));
        QCOMPARE(labels[i]->text(), QStringLiteral("  E%1      ").arg(i + 1));
        QCOMPARE(labels[i]->pos(), (placed[i].topLeft / TwipsPerPixel).toPoint());
    }
    QSignalSpy clicked(&rig.view(), &PointView::nameLabelClicked);
    QTest::mouseClick(labels[2], Qt::LeftButton, {}, QPoint(6, 4));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.first().first().toInt(), 2);

    QTest::mouseClick(rig.widget.labelOption(0), Qt::LeftButton);
    for (PointNameLabel *l : rig.widget.picture()->nameLabels())
        QVERIFY(!l->isVisible());

    // Without electrodes a click changes nothing: the option shown snaps back.
    rig.base.ws.sensors.NumSensors = 0;
    QTest::mouseClick(on, Qt::LeftButton);
    QVERIFY(!on->isChecked());
    QVERIFY(rig.widget.labelOption(0)->isChecked());
}

void TestViewWidget::selectingARowMarksThePoint()
{
    WidgetRig rig;
    loadElectrodes(rig.base.ws, 5);
    rig.invoke("menuDisplayEProbe");
    QTableView *table = rig.widget.pointsTable();
    QTRY_COMPARE(table->model()->rowCount(), 3 + 5);
    table->selectRow(3 + 2);
    QCOMPARE(rig.view().scene().markedRow, 5);
    QTRY_COMPARE(rig.view().renderPending(), false);
    const double f = 5 / 0.095;
    const QPoint at = pixelOf(rig.view(), f * rig.base.ws.meas.Pos[2]);
    // The mark is a ring around the point.
    const QImage image = rig.view().image();
    int ring = 0;
    for (int dx = -10; dx <= 10; ++dx)
        for (int dy = -10; dy <= 10; ++dy)
            ring += image.pixelColor(at + QPoint(dx, dy)) == DrawOptions().highlight;
    QVERIFY(ring > 20);
}

void TestViewWidget::resizingKeepsTheOriginCentred()
{
    WidgetRig rig;
    loadElectrodes(rig.base.ws);
    rig.invoke("menuDisplayEProbe");
    rig.widget.resize(1100, 750);
    QApplication::processEvents();
    const QSize plot = rig.widget.picture()->size();
    QCOMPARE(rig.view().plotSize(), plot);
    QCOMPARE(rig.state().PlotOffsetX, plot.width() * TwipsPerPixel / 2);
    QCOMPARE(rig.state().PlotOffsetY, plot.height() * TwipsPerPixel / 2);
    QCOMPARE(rig.view().image().size(), plot);
}

void TestViewWidget::menuMnemonicsAreUnique()
{
    MainWindow window;
    QList<QWidget *> menus = {window.menuBar()};
    for (QMenu *m : window.findChildren<QMenu *>())
        menus << m;
    for (QWidget *menu : menus) {
        QHash<QChar, QString> seen;
        for (QAction *a : menu->actions()) {
            const QString text = a->text();
            const qsizetype amp = text.indexOf('&');
            if (a->isSeparator() || amp < 0 || amp + 1 >= text.size())
                continue;
            const QChar key = text.at(amp + 1).toLower();
            QVERIFY2(!seen.contains(key),
                     qPrintable(
                         QStringLiteral("%1: %2 and %3").arg(menu->objectName(), seen[key], text)));
            seen.insert(key, text);
        }
    }
    QCOMPARE(window.action("menuDisplay")->text(), QStringLiteral("Dis&play"));
    QCOMPARE(window.action("menuVisualize")->text(), QStringLiteral("Visuali&ze"));
    for (const char *item :
         {"menuDDewar", "menuDCalibration", "menuDFiducials", "menuDProbe", "menuDisplayEProbe",
          "menuDShape", "menuDClear", "menuWithProbes", "menuWithoutProbes", "menuExportPicture"})
        QVERIFY2(window.action(item), item);
}

void TestViewWidget::windowShowsElectrodesAndShape()
{
    QTemporaryDir home;
    QFile ini(QDir(home.path()).filePath("pointra.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("Digitizer Type=FASTRAK\r\nCoordinate System=TEVO\r\nDecimal Point=Period\r\n"
              "Hemisphere=0,0,1\r\nnCommPort= 1\r\nSound=OFF\r\n");
    ini.close();

    // Files as Pointra writes them: a 32-electrode cap and a 400-point head shape.
    Workspace source;
    source.settings.DecimalPoint = QStringLiteral("Period");
    loadElectrodes(source, 32);
    for (int i = 0; i < 32; ++i)
        source.meas.Pos[i].z() = 0.02 + 0.07 * (i % 4) / 3.0;
    source.tevo = source.meas;
    const QString elp = QDir(home.path()).filePath("cap.elp");
    WriteElectrodeFile(elp, source);
    source.ShapeFid = source.meas.Fid;
    source.NumShapePoints = 400;
    for (int i = 0; i < 400; ++i) {
        const double a = 2 * M_PI * (i % 40) / 40, b = M_PI / 2 * (i / 40) / 10.0;
        source.ShapePos.push_back(Point3(0.09 * std::cos(a) * std::cos(b),
                                         0.075 * std::sin(a) * std::cos(b), 0.1 * std::sin(b)));
    }
    const QString hsp = QDir(home.path()).filePath("head.hsp");
    WriteShapeFile(hsp, source);

    FakeDialogs dialogs;
    FakeClock clock;
    FakePump pump{clock};
    FakeSerialLink link;
    SilentAudio audio;
    MainWindow window;
    AppCore app({dialogs, window, clock, pump, link, audio});
    window.attach(app);
    app.shell.startUp(home.path());
    window.syncFromState();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    dialogs.fileAnswers.enqueue(elp);
    QVERIFY(window.invoke("menuOpen"));
    QVERIFY(window.invoke("menuDisplayEProbe"));
    ViewWidget *view = window.viewWidget();
    PointView &points = app.menus.display.view();
    QVERIFY(view->picture()->isVisible());
    QCOMPARE(window.label(DisplayCaption)->text(), QStringLiteral("Electrodes"));
    QCOMPARE(window.label("XAxis")->text(), QStringLiteral("x-axis (Nasion)"));
    QCOMPARE(window.label("ZAxis")->text(), QStringLiteral("z-axis"));
    QTest::mouseClick(view->labelOption(1), Qt::LeftButton);
    QTRY_COMPARE(points.renderPending(), false);
    QCOMPARE(view->pointsTable()->model()->rowCount(), 3 + 32);
    const double f = 5 / 0.095;
    QImage shown = view->picture()->grab().toImage();
    QCOMPARE(shown.pixelColor(pixelOf(points, f * app.ws.meas.Fid[0])), QColor(0, 0, 255));
    QCOMPARE(shown.pixelColor(pixelOf(points, f * app.ws.meas.Fid[1])), QColor(255, 0, 0));
    QVERIFY(window.grab().save(screenshotPath("view-electrodes.png")));

    dialogs.fileAnswers.enqueue(hsp);
    QVERIFY(window.invoke("menuOpen"));
    QVERIFY(window.invoke("menuDShape"));
    QCOMPARE(window.label(DisplayCaption)->text(), QStringLiteral("Shape"));
    QVERIFY(!view->findChild<QWidget *>(OptionPanel)->isVisible());
    QTRY_COMPARE(points.renderPending(), false);
    for (PointNameLabel *l : view->picture()->nameLabels())
        QVERIFY(!l->isVisible());
    QCOMPARE(view->pointsTable()->model()->rowCount(), 3 + 400);
    shown = view->picture()->grab().toImage();
    int onShape = 0, sampled = 0;
    for (int i = 0; i < 400; i += 7, ++sampled)
        onShape += shown.pixelColor(pixelOf(points, f * app.ws.ShapePos[i])) == QColor(Qt::black);
    QCOMPARE(onShape, sampled);
    QVERIFY(window.grab().save(screenshotPath("view-shape.png")));

    QVERIFY(window.invoke("menuDClear"));
    QVERIFY(!view->picture()->isVisible());
    QVERIFY(!view->button("LeftButton")->isEnabled());
    const QStringList unexpected = dialogs.texts().filter("No data");
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join('|')));
}

QTEST_MAIN(TestViewWidget)
#include "tst_view_widget.moc"

#include "app/plot_area.h"
#include "app/view_widget.h"
#include "display/view_controls.h"
#include "rig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <cmath>

using namespace ViewControls;

class TestViewWidget : public QObject
{
    Q_OBJECT
private slots:
    void holdingAButtonRepeatsUntilRelease();
    void dragTurnsAndWheelZooms();
    void mouseLeavesAFixedViewAlone();
    void labelOptionShowsClickableNames();
    void selectingARowMarksThePoint();
    void resizingKeepsTheOriginCentred();
};

namespace {
// The view widget on the display commands of a started run, as the window invokes and syncs.
struct WidgetRig : Rig
{
    WidgetRig()
    {
        start();
        widget.attach(app.menus.display, [this](const QString &name) {
            const bool known = Rig::invoke(name);
            widget.syncFrom(ui);
            return known;
        });
        widget.resize(900, 600);
        widget.syncFrom(ui);
        widget.show();
        exposed = QTest::qWaitForWindowExposed(&widget);
    }
    // `n` electrodes E1.. on a ring, then the Display menu's electrodes.
    void showElectrodes(int n = 3)
    {
        ws.sensors.NumSensors = n;
        ws.meas.resize(n);
        ws.meas.Fid = {Point3(0.095, 0, 0), Point3(0, 0.075, 0), Point3(0, -0.075, 0)};
        std::vector<QString> names;
        for (int i = 0; i < n; ++i) {
            ws.meas.Pos[i] =
                Point3(0.06 * std::cos(2 * M_PI * i / n), 0.06 * std::sin(2 * M_PI * i / n), 0.07);
            ws.meas.Type[i] = "400";
            names.push_back(QStringLiteral("E%1").arg(i + 1));
        }
        ws.meas.Name = namesAsFixed8(names);
        invoke("menuDisplayEProbe");
    }
    void invoke(const QString &name)
    {
        Rig::invoke(name);
        widget.syncFrom(ui);
        QApplication::processEvents();
    }
    PointView &view() { return app.menus.display.view(); }
    ViewState &state() { return view().state(); }

    ViewWidget widget;
    bool exposed = false;
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

// The colour drawn where a workspace point lies, the nasion's 9.5 cm scaled to 5 for display.
QColor colourAt(const QImage &image, const PointView &view, const Point3 &metres)
{
    return image.pixelColor(
        Projection(view.state()).toPixels(Point3(5 / 0.095 * metres))->toPoint());
}
} // namespace

void TestViewWidget::holdingAButtonRepeatsUntilRelease()
{
    WidgetRig rig;
    QVERIFY(rig.exposed);
    rig.showElectrodes();
    for (const Button &b : Buttons)
        QVERIFY2(!rig.widget.button(b.name)->accessibleName().isEmpty(), b.name);
    QAbstractButton *left = rig.widget.button("LeftButton");
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
    QTest::mouseClick(rig.widget.button("SSCommand2"), Qt::LeftButton);
    QCOMPARE(rig.state().PlotScale, 160.0);
}

void TestViewWidget::dragTurnsAndWheelZooms()
{
    WidgetRig rig;
    rig.showElectrodes();
    PlotArea *plot = rig.widget.picture();
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
    QTest::mouseClick(rig.widget.button("RightButton"), Qt::LeftButton);
    QCOMPARE(rig.state().ViewAzimuth, 199);
    QTRY_COMPARE(rig.view().renderPending(), false);
    QCOMPARE(colourAt(rig.view().image(), rig.view(), rig.ws.meas.Fid[0]), QColor(0, 0, 255));
}

void TestViewWidget::mouseLeavesAFixedViewAlone()
{
    WidgetRig rig;
    rig.ws.ReceiverCount = 1;
    rig.ws.ReceiverFid = {{Point3(0.1, 0, 0), Point3(0, 0.08, 0), Point3(0, -0.08, 0)}};
    rig.invoke("menuDFiducials"); // HoldActive stays 0: the view does not move
    PlotArea *plot = rig.widget.picture();
    QVERIFY(plot->isVisible());
    sendMouse(plot, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton);
    sendMouse(plot, QEvent::MouseMove, {150, 90}, Qt::LeftButton);
    sendMouse(plot, QEvent::MouseButtonRelease, {150, 90}, Qt::NoButton);
    sendWheel(plot, 120);
    QCOMPARE(rig.state().ViewAzimuth, 180);
    QCOMPARE(rig.state().ViewElevation, -90);
    QCOMPARE(rig.state().PlotScale, 150.0);
    QVERIFY(!rig.widget.button("LeftButton")->isEnabled());
    QCOMPARE(rig.widget.pointsTable()->model()->rowCount(), 0); // no table for this set
}

void TestViewWidget::labelOptionShowsClickableNames()
{
    WidgetRig rig;
    rig.showElectrodes(4);
    QTRY_COMPARE(rig.widget.picture()->nameLabels().size(), std::size_t(4));
    for (PointNameLabel *l : rig.widget.picture()->nameLabels())
        QVERIFY(!l->isVisible());
    QRadioButton *on = rig.widget.labelOption(1);
    QTRY_VERIFY(!rig.view().renderPending());
    QSignalSpy rendered(&rig.view(), &PointView::rendered);
    QTest::mouseClick(on, Qt::LeftButton);
    QVERIFY(on->isChecked());
    const auto labels = rig.widget.picture()->nameLabels();
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
    QTest::mouseClick(rig.widget.labelOption(0), Qt::LeftButton);
    for (PointNameLabel *l : rig.widget.picture()->nameLabels())
        QVERIFY(!l->isVisible());
    // Labels come and go without a redraw.
    QVERIFY(!rig.view().renderPending());
    QCOMPARE(rendered.count(), 0);
    // Without electrodes a click changes nothing: the option shown snaps back.
    rig.ws.sensors.NumSensors = 0;
    QTest::mouseClick(on, Qt::LeftButton);
    QVERIFY(!on->isChecked() && rig.widget.labelOption(0)->isChecked());
}

void TestViewWidget::selectingARowMarksThePoint()
{
    WidgetRig rig;
    rig.showElectrodes(5);
    QTableView *table = rig.widget.pointsTable();
    QTRY_COMPARE(table->model()->rowCount(), 3 + 5);
    table->selectRow(3 + 2);
    QCOMPARE(rig.view().scene().markedRow, 5);
    QTRY_COMPARE(rig.view().renderPending(), false);
    const QPoint at =
        Projection(rig.state()).toPixels(Point3(5 / 0.095 * rig.ws.meas.Pos[2]))->toPoint();
    // The mark is a ring around the point.
    int ring = 0;
    for (int dx = -10; dx <= 10; ++dx)
        for (int dy = -10; dy <= 10; ++dy)
            ring += rig.view().image().pixelColor(at + QPoint(dx, dy)) == DrawOptions().highlight;
    QVERIFY(ring > 20);
}

void TestViewWidget::resizingKeepsTheOriginCentred()
{
    WidgetRig rig;
    rig.showElectrodes();
    rig.widget.resize(1100, 750);
    QApplication::processEvents();
    const QSize plot = rig.widget.picture()->size();
    QCOMPARE(rig.view().plotSize(), plot);
    QCOMPARE(rig.state().PlotOffsetX, plot.width() * TwipsPerPixel / 2);
    QCOMPARE(rig.state().PlotOffsetY, plot.height() * TwipsPerPixel / 2);
    QCOMPARE(rig.view().image().size(), plot);
}

QTEST_MAIN(TestViewWidget)
#include "tst_view_widget.moc"

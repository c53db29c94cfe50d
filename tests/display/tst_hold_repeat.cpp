#include "display/hold_repeat.h"

#include <QSignalSpy>
#include <QTest>

class TestHoldRepeat : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void pressStepsHoldRepeatsReleaseStops();
    void secondPressReplacesTheHold();
    void withoutHoldAPressOnlyStoresTheCode();

private:
    ViewState m_view;
};

void TestHoldRepeat::init()
{
    m_view = ViewState();
    SetHomeView(m_view, 9000, 6000);
    m_view.HoldActive = 1;
}

void TestHoldRepeat::pressStepsHoldRepeatsReleaseStops()
{
    HoldRepeat hold(m_view);
    hold.setAzimuthDirection(AzimuthDirection::BesaCurry);
    QSignalSpy redraws(&hold, &HoldRepeat::redrawRequested);
    hold.press(ViewButtons::Left);
    QCOMPARE(m_view.HoldCode, 1);
    QCOMPARE(m_view.ViewAzimuth, 179);
    QCOMPARE(redraws.count(), 1);
    QVERIFY(hold.isRepeating());
    hold.repeat(); // the timer's ticks while the button is held
    hold.repeat();
    QCOMPARE(m_view.ViewAzimuth, 177);
    hold.release(ViewButtons::Left + 1);
    QCOMPARE(m_view.HoldCode, 2);
    QVERIFY(!hold.isRepeating());
    hold.repeat(); // a late tick
    QCOMPARE(m_view.ViewAzimuth, 177);
    QCOMPARE(redraws.count(), 3);
}

void TestHoldRepeat::secondPressReplacesTheHold()
{
    HoldRepeat hold(m_view);
    hold.press(ViewButtons::ZoomIn);
    hold.repeat();
    hold.press(ViewButtons::PlotLeft);
    QCOMPARE(m_view.HoldCode, 17);
    hold.repeat();
    hold.repeat();
    QCOMPARE(m_view.PlotScale, 170.0);
    QCOMPARE(m_view.PlotOffsetX, 4500.0 - 300);
    hold.press(21); // not a view button: nothing steps, the repeat ends
    QVERIFY(!hold.isRepeating());
}

void TestHoldRepeat::withoutHoldAPressOnlyStoresTheCode()
{
    m_view.HoldActive = 0;
    HoldRepeat hold(m_view);
    hold.press(ViewButtons::Up);
    QCOMPARE(m_view.HoldCode, 5);
    QCOMPARE(m_view.ViewElevation, -90);
    QVERIFY(!hold.isRepeating());
    hold.setStepWithoutHold(true); // electrode digitizing
    hold.press(ViewButtons::Down);
    hold.repeat();
    QCOMPARE(m_view.ViewElevation, -92);
}

QTEST_GUILESS_MAIN(TestHoldRepeat)
#include "tst_hold_repeat.moc"

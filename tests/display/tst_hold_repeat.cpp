#include "display/hold_repeat.h"

#include <QSignalSpy>
#include <QTest>

class TestHoldRepeat : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void pressStepsAndHoldingRepeats();
    void releaseStops();
    void secondPressReplacesTheHold();
    void pressWithoutHoldOnlyStoresTheCode();
    void electrodeDigitizingStepsWithoutHold();
    void theTimerDrivesTheRepeats();

private:
    ViewState m_view;
};

void TestHoldRepeat::init()
{
    m_view = ViewState();
    SetHomeView(m_view, 9000, 6000);
    m_view.HoldActive = 1;
}

void TestHoldRepeat::pressStepsAndHoldingRepeats()
{
    HoldRepeat hold(m_view);
    QSignalSpy redraws(&hold, &HoldRepeat::redrawRequested);
    hold.press(ViewButtons::Left);
    QCOMPARE(m_view.HoldCode, 1);
    QCOMPARE(m_view.ViewAzimuth, 181);
    QCOMPARE(redraws.count(), 1);
    QVERIFY(hold.isRepeating());
    QCOMPARE(hold.timer().interval(), HoldRepeat::DefaultFirstDelayMs);
    hold.repeat();
    QCOMPARE(hold.timer().interval(), HoldRepeat::DefaultRepeatMs);
    hold.repeat();
    QCOMPARE(m_view.ViewAzimuth, 183);
    QCOMPARE(redraws.count(), 3);
}

void TestHoldRepeat::releaseStops()
{
    HoldRepeat hold(m_view);
    hold.setAzimuthDirection(AzimuthDirection::BesaCurry);
    QSignalSpy redraws(&hold, &HoldRepeat::redrawRequested);
    hold.press(ViewButtons::Left);
    hold.repeat();
    hold.release(ViewButtons::Left + 1);
    QCOMPARE(m_view.HoldCode, 2);
    QVERIFY(!hold.isRepeating());
    hold.repeat(); // a late tick
    QCOMPARE(m_view.ViewAzimuth, 178);
    QCOMPARE(redraws.count(), 2);
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
    QVERIFY(hold.isRepeating());
}

void TestHoldRepeat::pressWithoutHoldOnlyStoresTheCode()
{
    m_view.HoldActive = 0;
    HoldRepeat hold(m_view);
    QSignalSpy redraws(&hold, &HoldRepeat::redrawRequested);
    hold.press(ViewButtons::Up);
    QCOMPARE(m_view.HoldCode, 5);
    QCOMPARE(m_view.ViewElevation, -90);
    QVERIFY(!hold.isRepeating());
    QCOMPARE(redraws.count(), 0);
}

void TestHoldRepeat::electrodeDigitizingStepsWithoutHold()
{
    m_view.HoldActive = 0;
    HoldRepeat hold(m_view);
    hold.setStepWithoutHold(true);
    hold.press(ViewButtons::Down);
    hold.repeat();
    QCOMPARE(m_view.ViewElevation, -92);
    hold.press(21); // not a view button: nothing steps, the repeat ends
    QCOMPARE(m_view.HoldCode, 21);
    QVERIFY(!hold.isRepeating());
}

void TestHoldRepeat::theTimerDrivesTheRepeats()
{
    HoldRepeat hold(m_view);
    hold.setIntervals(0, 1);
    QSignalSpy redraws(&hold, &HoldRepeat::redrawRequested);
    hold.press(ViewButtons::ZoomOut);
    QTRY_VERIFY(redraws.count() >= 4);
    hold.release(ViewButtons::ZoomOut + 1);
    const int steps = redraws.count();
    QCOMPARE(m_view.PlotScale, 150.0 - 10 * steps);
    QVERIFY(!hold.isRepeating());
}

QTEST_GUILESS_MAIN(TestHoldRepeat)
#include "tst_hold_repeat.moc"

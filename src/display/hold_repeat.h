#pragma once

#include "display/view_state.h"

#include <QObject>
#include <QTimer>

// Hold-to-repeat of the view buttons on one timer: a press steps at once, a held button keeps
// stepping, a release (or another press) ends or replaces it. Never runs an event loop.
class HoldRepeat : public QObject
{
    Q_OBJECT
public:
    // Pause before a held button starts repeating, then the pause between repeats.
    static constexpr int DefaultFirstDelayMs = 300;
    static constexpr int DefaultRepeatMs = 30;

    explicit HoldRepeat(ViewState &state, QObject *parent = nullptr);

    void setAzimuthDirection(AzimuthDirection direction) { m_direction = direction; }
    void setIntervals(int firstDelayMs, int repeatMs);
    // While on (electrode digitizing), the buttons step even when HoldActive is 0.
    void setStepWithoutHold(bool on) { m_stepWithoutHold = on; }
    bool isRepeating() const { return m_timer.isActive(); }
    const QTimer &timer() const { return m_timer; }

public slots:
    // Stores the press code; steps and starts repeating when the view buttons act on the plot.
    void press(int pressCode);
    // Stores the release code, which ends any repeat.
    void release(int releaseCode);
    // One repeat of the button held, as the timer runs it.
    void repeat();
    // Ends any repeat without changing the state (buttons hidden, window closing).
    void stop();

signals:
    // The state changed; the view should redraw (the widget may batch these).
    void redrawRequested();

private:
    bool stepping() const { return m_stepWithoutHold || m_state.HoldActive != 0; }

    ViewState &m_state;
    QTimer m_timer;
    AzimuthDirection m_direction = AzimuthDirection::Tevo;
    int m_firstDelayMs = DefaultFirstDelayMs;
    int m_repeatMs = DefaultRepeatMs;
    bool m_stepWithoutHold = false;
};

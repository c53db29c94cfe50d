#pragma once

#include <QDialog>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class StreamMonitor;

// Shows the records of a continuous-output test or P-loop as they arrive. A timer polls the
// monitor, so the window stays responsive; Stop and closing the window end the test.
class StreamWindow final : public QDialog
{
    Q_OBJECT
public:
    StreamWindow(std::shared_ptr<StreamMonitor> monitor, QWidget *parent = nullptr);
    ~StreamWindow() override;

    static constexpr int PollMs = 50;
    // Records shown in the list (older ones scroll out of it, the count goes on).
    static constexpr int KeptRecords = 500;

    int recordsShown() const { return m_shown; }
    QPushButton *stopButton() const { return m_stop; }

signals:
    void finished();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void tick();
    void refresh();

    std::shared_ptr<StreamMonitor> m_monitor;
    QPlainTextEdit *m_records = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_stop = nullptr;
    QTimer *m_timer = nullptr;
    int m_shown = 0;
    bool m_inTick = false;
};

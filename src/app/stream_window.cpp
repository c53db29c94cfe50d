#include "stream_window.h"

#include "commands/stream_monitor.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

StreamWindow::StreamWindow(std::shared_ptr<StreamMonitor> monitor, QWidget *parent)
    : QDialog(parent), m_monitor(std::move(monitor))
{
    const bool loop = m_monitor->kind() == StreamMonitor::Kind::IsotrakLoop;
    setObjectName(QStringLiteral("StreamWindow"));
    setWindowTitle(loop ? QStringLiteral("ISOTRAK P-loop")
                        : QStringLiteral("FASTRAK Continuous Output Test"));
    setAccessibleName(windowTitle());
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose);

    m_records = new QPlainTextEdit(this);
    m_records->setObjectName(QStringLiteral("StreamRecords"));
    m_records->setAccessibleName(QStringLiteral("Records received"));
    m_records->setReadOnly(true);
    m_records->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_records->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StreamStatus"));
    m_status->setAccessibleName(QStringLiteral("Test status"));
    m_stop = new QPushButton(QStringLiteral("&Stop"), this);
    m_stop->setObjectName(QStringLiteral("StreamStop"));
    m_stop->setAccessibleName(QStringLiteral("Stop"));
    connect(m_stop, &QPushButton::clicked, this, [this] {
        if (m_monitor->finished())
            close();
        else {
            m_monitor->stop();
            refresh();
        }
    });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_stop);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_records, 1);
    layout->addLayout(buttons);
    resize(640, 420);

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &StreamWindow::tick);
    m_timer->start(PollMs);
    refresh();
}

StreamWindow::~StreamWindow() = default;

void StreamWindow::tick()
{
    // A message shown from inside poll() runs its own loop; the timer must not re-enter.
    if (m_inTick)
        return;
    m_inTick = true;
    m_monitor->poll();
    refresh();
    m_inTick = false;
}

void StreamWindow::refresh()
{
    const QStringList shown = m_monitor->takeShown();
    if (!shown.isEmpty()) {
        m_records->setMaximumBlockCount(KeptRecords * 5);
        for (const QString &r : shown)
            m_records->appendPlainText(QString(r).replace(QChar(13), QChar(10)));
        m_shown += int(shown.size());
    }
    m_status->setText(m_monitor->status());
    if (m_monitor->finished() && m_timer->isActive()) {
        m_timer->stop();
        m_stop->setText(QStringLiteral("&Close"));
        emit finished();
    }
}

void StreamWindow::closeEvent(QCloseEvent *event)
{
    if (!m_monitor->finished()) {
        m_monitor->stop();
        refresh();
    }
    event->accept();
}

void StreamWindow::reject()
{
    close();
}

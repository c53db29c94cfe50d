#include "console_window.h"

#include "commands/service_console.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

ConsoleWindow::ConsoleWindow(Session &session, QWidget *parent)
    : QDialog(parent), m_console(std::make_unique<ServiceConsole>(session))
{
    setObjectName(QStringLiteral("ConsoleWindow"));
    setWindowTitle(QStringLiteral("Service Console"));
    setAccessibleName(windowTitle());
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose);

    m_command = new QComboBox(this);
    m_command->setObjectName(QStringLiteral("ConsoleCommand"));
    m_command->setAccessibleName(QStringLiteral("Command"));
    m_command->setEditable(true);
    // A typed command joins the list, so Return never puts another suggestion in its place.
    m_command->setInsertPolicy(QComboBox::InsertAtTop);
    m_command->addItems(m_console->suggestions());
    m_command->setCurrentText(QString());
    m_command->setToolTip(QStringLiteral("^D, ^Z ... send control characters; \\r, \\n and \\xHH "
                                         "send those bytes."));
    m_ending = new QComboBox(this);
    m_ending->setObjectName(QStringLiteral("ConsoleEnding"));
    m_ending->setAccessibleName(QStringLiteral("Line ending"));
    m_ending->addItems({QStringLiteral("CR as Pointra sends it"), QStringLiteral("Always CR"),
                        QStringLiteral("Nothing added")});
    m_send = new QPushButton(QStringLiteral("&Send"), this);
    m_send->setObjectName(QStringLiteral("ConsoleSend"));
    auto *save = new QPushButton(QStringLiteral("S&ave Session..."), this);
    save->setObjectName(QStringLiteral("ConsoleSave"));
    auto *clear = new QPushButton(QStringLiteral("C&lear View"), this);
    clear->setObjectName(QStringLiteral("ConsoleClear"));
    // Return in the command box sends once; no button may take it as well.
    for (QPushButton *b : {m_send, save, clear})
        b->setAutoDefault(false);
    m_transcript = new QPlainTextEdit(this);
    m_transcript->setObjectName(QStringLiteral("ConsoleTranscript"));
    m_transcript->setAccessibleName(QStringLiteral("Session"));
    m_transcript->setReadOnly(true);
    m_transcript->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_transcript->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto *label = new QLabel(QStringLiteral("Co&mmand:"), this);
    label->setBuddy(m_command);
    auto *top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(m_command, 1);
    top->addWidget(m_ending);
    top->addWidget(m_send);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(clear);
    bottom->addWidget(save);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_transcript, 1);
    layout->addLayout(bottom);
    resize(760, 480);

    connect(m_send, &QPushButton::clicked, this, &ConsoleWindow::send);
    connect(m_command->lineEdit(), &QLineEdit::returnPressed, this, &ConsoleWindow::send);
    connect(save, &QPushButton::clicked, this, [this] { m_console->saveAs(); });
    connect(clear, &QPushButton::clicked, m_transcript, &QPlainTextEdit::clear);
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &ConsoleWindow::tick);
    showNewLines();
}

ConsoleWindow::~ConsoleWindow() = default;

void ConsoleWindow::send()
{
    static const ServiceConsole::Ending endings[] = {
        ServiceConsole::Ending::Auto, ServiceConsole::Ending::Cr, ServiceConsole::Ending::None};
    const auto ending = endings[std::clamp(m_ending->currentIndex(), 0, 2)];
    if (m_console->send(m_command->currentText(), ending))
        m_timer->start(PollMs);
    showNewLines();
    m_command->lineEdit()->selectAll();
}

void ConsoleWindow::tick()
{
    m_console->poll();
    if (!m_console->collecting())
        m_timer->stop();
    showNewLines();
}

void ConsoleWindow::showNewLines()
{
    for (const QString &line : m_console->takeNewLines())
        m_transcript->appendPlainText(line);
}

void ConsoleWindow::closeEvent(QCloseEvent *event)
{
    m_console->finish();
    event->accept();
}

#pragma once

#include <QDialog>
#include <memory>

class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class ServiceConsole;
struct Session;

// Diagnostics > Console: type a command, read the answer as text and bytes, save the session.
class ConsoleWindow final : public QDialog
{
    Q_OBJECT
public:
    ConsoleWindow(Session &session, QWidget *parent = nullptr);
    ~ConsoleWindow() override;

    static constexpr int PollMs = 20;
    ServiceConsole &console() { return *m_console; }
    QComboBox *commandBox() const { return m_command; }
    QPushButton *sendButton() const { return m_send; }
    QPlainTextEdit *transcriptView() const { return m_transcript; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void send();
    void tick();
    void showNewLines();

    std::unique_ptr<ServiceConsole> m_console;
    QComboBox *m_command = nullptr;
    QComboBox *m_ending = nullptr;
    QPushButton *m_send = nullptr;
    QPlainTextEdit *m_transcript = nullptr;
    QTimer *m_timer = nullptr;
};

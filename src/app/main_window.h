#pragma once

#include "platform/auto_link.h"
#include "seams/shell_view.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <functional>

class AppCore;
class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class ViewWidget;
class WizardPanel;
struct MenuItem;

// The Pointra window: menus and labels that mirror the UiState, handlers by control name.
class MainWindow final : public QMainWindow, public ShellView
{
    Q_OBJECT
public:
    MainWindow();
    void attach(AppCore &app);
    // Asked after every handler, so the status bar always shows the line in use.
    void setLineStatus(std::function<LineStatus()> status);

    // Runs the handler of a control and refreshes the window.
    bool invoke(const QString &control);
    void syncFromState();

    QAction *action(const QString &name) const { return m_actions.value(name); }
    QLabel *label(const QString &name) const { return m_labels.value(name); }
    QPlainTextEdit *textView() const { return m_textView; }
    ViewWidget *viewWidget() const { return m_view; }
    WizardPanel *wizardPanel() const { return m_wizard; }

    void showMainWindow() override;
    void showAbout(const QString &text) override;
    bool showHelp(const QString &helpFile) override;
    void closeHelp() override;
    void quit() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void addItems(QMenu *menu, const std::vector<MenuItem> &items);
    void buildLabels();

    AppCore *m_app = nullptr;
    QHash<QString, QAction *> m_actions;
    QHash<QString, QLabel *> m_labels;
    QPlainTextEdit *m_textView = nullptr;
    ViewWidget *m_view = nullptr;
    QLabel *m_digitizerStatus = nullptr;
    bool m_viewWasShown = false;
    WizardPanel *m_wizard = nullptr;
    std::function<LineStatus()> m_statusSource;
    QPointer<QWidget> m_help;
    bool m_quitting = false;
};

#include "main_window.h"

#include "app/about_dialog.h"
#include "app/help_window.h"
#include "app/menu_layout.h"
#include "app/sequence_editor_launch.h"
#include "app/service_windows.h"
#include "app/view_widget.h"
#include "app/wizard_dock.h"
#include "seams/controls.h"
#include "shell/app_core.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>

MainWindow::MainWindow()
{
    setObjectName(QStringLiteral("Pointra"));
    setAccessibleName(QStringLiteral("Pointra"));
    buildMenus();
    buildLabels();
    // A permanent widget stays when a menu's hover text takes the status bar.
    m_digitizerStatus = new QLabel(this);
    m_digitizerStatus->setObjectName(QStringLiteral("DigitizerStatus"));
    m_digitizerStatus->setAccessibleName(QStringLiteral("Digitizer line"));
    m_digitizerStatus->setTextFormat(Qt::PlainText);
    statusBar()->addPermanentWidget(m_digitizerStatus);
    resize(1280, 800);
}

void MainWindow::setLineStatus(std::function<LineStatus()> status)
{
    m_statusSource = std::move(status);
    syncFromState();
}

void MainWindow::attach(AppCore &app)
{
    m_app = &app;
    app.commands.add(QStringLiteral("menuEditSequence"),
                     [this] { openSequenceEditor(*m_app, this); });
    m_wizard = addWizardDock(*this, app);
    app.ui.busyChanged = [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    m_view->attach(app.menus.display, [this](const QString &name) { return invoke(name); });
    attachServiceWindows(app.menus.service, app.session, this, [this] { syncFromState(); });
    syncFromState();
}

void MainWindow::addItems(QMenu *menu, const std::vector<MenuItem> &items)
{
    for (const MenuItem &item : items) {
        if (QLatin1String(item.caption) == QLatin1String("-")) {
            menu->addSeparator();
            continue;
        }
        const QString name = QString::fromLatin1(item.name);
        const QString caption = QString::fromLatin1(item.caption);
        QAction *action = nullptr;
        if (!item.children.empty()) {
            QMenu *sub = menu->addMenu(caption);
            sub->setObjectName(name);
            sub->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
            addItems(sub, item.children);
            action = sub->menuAction();
        } else {
            action = menu->addAction(caption);
            action->setCheckable(item.checkable);
            connect(action, &QAction::triggered, this, [this, name] { invoke(name); });
        }
        action->setObjectName(name);
        m_actions.insert(name, action);
    }
}

void MainWindow::buildMenus()
{
    for (const MenuItem &top : mainMenuLayout()) {
        QMenu *menu = menuBar()->addMenu(QString::fromLatin1(top.caption));
        const QString name = QString::fromLatin1(top.name);
        menu->setObjectName(name);
        menu->setAccessibleName(QString::fromLatin1(top.caption).remove(QLatin1Char('&')));
        menu->menuAction()->setObjectName(name);
        m_actions.insert(name, menu->menuAction());
        addItems(menu, top.children);
    }
}

void MainWindow::buildLabels()
{
    auto *central = new QWidget(this);
    auto *grid = new QGridLayout(central);
    int row = 0;
    for (const char *name :
         {"Label3A", "Counter", "Total", "DataLabel", "PictureLabel", "Label4"}) {
        auto *l = new QLabel(central);
        l->setObjectName(QString::fromLatin1(name));
        l->setAccessibleName(QString::fromLatin1(name));
        // Long status texts wrap instead of pushing the view aside.
        l->setWordWrap(true);
        l->setMaximumWidth(260);
        grid->addWidget(l, row++, 0);
        m_labels.insert(l->objectName(), l);
    }
    // The listings of the View menu, in a fixed-pitch font so their columns line up.
    m_textView = new QPlainTextEdit(central);
    m_textView->setObjectName(Controls::DataListing);
    m_textView->setAccessibleName(QStringLiteral("Data listing"));
    m_textView->setReadOnly(true);
    m_textView->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Ask for fixed pitch by its properties: the system's fixed font is not fixed on every machine.
    QFont listingFont(QStringLiteral("monospace"));
    listingFont.setStyleHint(QFont::Monospace);
    listingFont.setFixedPitch(true);
    m_textView->setFont(listingFont);
    // The 3-D view and the listing share the room; an empty one gives its share away.
    m_view = new ViewWidget(central);
    auto *split = new QSplitter(Qt::Horizontal, central);
    split->setObjectName(QStringLiteral("ViewAndListing"));
    split->setChildrenCollapsible(false);
    split->addWidget(m_view);
    split->addWidget(m_textView);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    grid->addWidget(split, 0, 1, row + 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    for (auto it = m_view->labels().cbegin(); it != m_view->labels().cend(); ++it)
        m_labels.insert(it.key(), it.value());
    setCentralWidget(central);
}

void MainWindow::syncFromState()
{
    if (!m_app)
        return;
    const UiState &ui = m_app->ui;
    setWindowTitle(ui.caption);
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        if (!ui.contains(it.key()))
            continue;
        const UiState::Control c = ui.value(it.key());
        it.value()->setChecked(c.checked);
        it.value()->setEnabled(c.enabled);
        it.value()->setVisible(c.visible);
    }
    for (auto it = m_labels.cbegin(); it != m_labels.cend(); ++it)
        it.value()->setText(ui.value(it.key()).text);
    const QString listing =
        QString(ui.value(Controls::DataListing).text).replace(QChar(13), QChar(10));
    if (m_textView->toPlainText() != listing)
        m_textView->setPlainText(listing);
    m_view->syncFrom(ui);
    const bool listingShown = !listing.isEmpty() || m_view->isHidden();
    if (listingShown != m_textView->isVisible() || m_view->isVisible() != m_viewWasShown) {
        m_textView->setVisible(listingShown);
        m_viewWasShown = m_view->isVisible();
        // A view that comes back gets most of the room, whatever size it had when hidden.
        if (auto *split = findChild<QSplitter *>(QStringLiteral("ViewAndListing"))) {
            const int w = std::max(split->width(), 600);
            split->setSizes(listingShown && m_viewWasShown ? QList<int>{w * 3 / 5, w * 2 / 5}
                                                           : QList<int>{w, w});
        }
    }
    const QString saved = ui.value(QStringLiteral("SavedFile")).text;
    if (!saved.isEmpty()) {
        statusBar()->showMessage(saved, 10000);
        m_app->ui.setText(QStringLiteral("SavedFile"), QString());
    }
    if (m_statusSource) {
        const LineStatus st = m_statusSource();
        m_digitizerStatus->setText(st.text);
        m_digitizerStatus->setStyleSheet(
            st.emulated ? QStringLiteral("QLabel { background: #ffd24d; color: black; }")
                        : QString());
    }
}

bool MainWindow::invoke(const QString &control)
{
    if (!m_app)
        return false;
    const bool known = m_app->commands.invoke(control);
    m_app->wizard.afterCommand();
    syncFromState();
    return known;
}

void MainWindow::showMainWindow()
{
    syncFromState();
    show();
}

void MainWindow::showAbout(const QString &text)
{
    AboutDialog about(text, this);
    about.exec();
}

bool MainWindow::showHelp(const QString &helpFile)
{
    if (!QFileInfo::exists(helpFile))
        return false;
    if (!m_help)
        m_help = new HelpWindow(helpFile);
    m_help->show();
    m_help->raise();
    return true;
}

void MainWindow::closeHelp()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->windowTitle() == HelpWindow::Title)
            w->close();
    }
}

void MainWindow::quit()
{
    if (m_app)
        m_app->wizard.windowClosing();
    m_quitting = true;
    close();
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_quitting || !m_app) {
        event->accept();
        return;
    }
    if (m_app->shell.Form_Unload()) {
        m_app->wizard.windowClosing();
        m_quitting = true;
        event->accept();
        QCoreApplication::quit();
    } else {
        m_app->ws.ExitCancelled = 0;
        event->ignore();
    }
    syncFromState();
}

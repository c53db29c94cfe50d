#pragma once

#include <QString>
#include <QStringList>
#include <functional>

struct Session;
class CommandTable;
class ShellView;
class SetupCommands;

// Start-up order, the temporary folder, the shutdown questions, Exit, About and Help.
class ShellController
{
public:
    ShellController(Session &session, ShellView &view, SetupCommands &setup)
        : m_s(session), m_view(view), m_setup(setup)
    {}

    void registerCommands(CommandTable &table);

    // Steps up to the window being shown (interactive) or the batch branch.
    void Form_Load();
    void startUp(const QString &appPath);
    // Shows the window and configures the digitizer; false when its port could not be opened
    // (the operator has been told).
    bool startInteractive();
    // Removes <AppPath>/tmp and the files in it.
    void removeTmpFolder();
    // The three questions; true when the window may close.
    bool Form_Unload();
    // File > New: asks about unsaved data, then clears every data set and file name.
    // False when the operator cancelled.
    bool newData();
    // Service mode shows the technician's menus; a lab's window hides them.
    void setServiceMode(bool on);
    void exit();
    void showAbout();
    void showHelpContents();

    static QString aboutText();

    // File > Save As, wired by the file commands; true when a file was written.
    // Save As for one data set ("sequence", "electrodes", "shape"): true when it was written.
    std::function<bool(const QString &dataSet)> saveAs;

    static inline const QStringList ServiceMenus = {
        QStringLiteral("menuDiagnostics"), QStringLiteral("menuTest"),
        QStringLiteral("menuDevelopment"), QStringLiteral("menuXIsotrak"),
        QStringLiteral("menuXFastrak"),    QStringLiteral("menuVisualize")};

private:
    int askAndSave(const QString &question, int &flag, const QString &dataSet);
    Session &m_s;
    ShellView &m_view;
    SetupCommands &m_setup;
};

#pragma once

#include <QString>
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
    void startInteractive();
    // Removes <AppPath>/tmp and the files in it.
    void removeTmpFolder();
    // The three questions; true when the window may close.
    bool Form_Unload();
    void exit();
    void showAbout();
    void showHelpContents();

    static QString aboutText();

    // File > Save As, wired by the file commands.
    std::function<void()> saveAs;

private:
    int askAndSave(const QString &question, int &flag);
    Session &m_s;
    ShellView &m_view;
    SetupCommands &m_setup;
};

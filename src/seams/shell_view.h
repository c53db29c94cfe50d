#pragma once

#include <QString>

// Window-level operations of the shell that core asks for and the GUI (or a test) performs.
class ShellView
{
public:
    virtual ~ShellView() = default;
    virtual void showMainWindow() = 0;
    virtual void showAbout(const QString &text) = 0;
    // Opens the help window titled "Pointra Help"; false if the help file is missing.
    virtual bool showHelp(const QString &helpFile) = 0;
    virtual void closeHelp() = 0;
    virtual void quit() = 0;
};

#pragma once

#include "seams/shell_view.h"

#include <QStringList>

// The shell without a window: says on standard output what a window would have shown.
class ConsoleShellView final : public ShellView
{
public:
    void showMainWindow() override { say(QStringLiteral("No display: running without a window.")); }
    void showAbout(const QString &text) override
    {
        say(QString(text).replace(QChar(13), QChar(10)));
    }
    bool showHelp(const QString &helpFile) override
    {
        say(QStringLiteral("Help: ") + helpFile);
        return true;
    }
    void closeHelp() override {}
    void quit() override { m_quit = true; }
    bool quitRequested() const { return m_quit; }

    static void say(const QString &text);

private:
    bool m_quit = false;
};

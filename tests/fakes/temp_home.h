#pragma once

#include "commands/setup_commands.h"
#include "data/workspace.h"
#include "fake_clock.h"
#include "fake_dialogs.h"
#include "fake_serial_link.h"
#include "seams/command_table.h"
#include "seams/session.h"
#include "seams/shell_view.h"
#include "seams/ui_state.h"
#include "seams/wave_audio.h"
#include "shell/shell_controller.h"

#include <QTemporaryDir>

// Records what the shell asked the window to do.
class FakeShellView final : public ShellView
{
public:
    void showMainWindow() override { ++shown; }
    void showAbout(const QString &text) override { aboutText = text; }
    bool showHelp(const QString &file) override
    {
        helpFile = file;
        return true;
    }
    void closeHelp() override { ++helpCloses; }
    void quit() override { ++quits; }
    int shown = 0, helpCloses = 0, quits = 0;
    QString aboutText, helpFile;
};

// A fresh program folder with fakes for every seam, and the shell controllers on top.
struct TestRig
{
    TestRig();
    // Writes pointra.ini with the given bytes (no file when `ini` is null).
    void writeIni(const QByteArray &ini);
    QByteArray readIni() const;
    QString path(const QString &name) const;
    void startUp() { shell.startUp(home.path()); }
    bool invoke(const QString &control) { return commands.invoke(control); }

    QTemporaryDir home;
    Workspace ws;
    UiState ui;
    FakeDialogs dialogs;
    FakeClock clock;
    FakePump pump{clock};
    SilentAudio audio;
    FakeSerialLink link;
    FakeShellView view;
    Session session{ws, dialogs, ui, clock, pump, audio, link, {}, {}};
    SetupCommands setup{session};
    ShellController shell{session, view, setup};
    CommandTable commands;
};

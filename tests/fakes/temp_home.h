#pragma once

// The rig of the first tests, kept until the newer tests move to Rig (rig.h).
#include "commands/setup_commands.h"
#include "data/workspace.h"
#include "fakes.h"
#include "seams/command_table.h"
#include "seams/session.h"
#include "seams/ui_state.h"
#include "seams/wave_audio.h"
#include "shell/shell_controller.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// A fresh program folder with fakes for every seam, and the shell controllers on top.
struct TestRig
{
    TestRig()
    {
        setup.registerCommands(commands);
        shell.registerCommands(commands);
    }
    // Writes pointra.ini with the given bytes.
    void writeIni(const QByteArray &ini)
    {
        QFile f(path(QStringLiteral("pointra.ini")));
        if (f.open(QIODevice::WriteOnly))
            f.write(ini);
    }
    QByteArray readIni() const
    {
        QFile f(path(QStringLiteral("pointra.ini")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString path(const QString &name) const { return QDir(home.path()).filePath(name); }
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

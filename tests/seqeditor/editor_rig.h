#pragma once

#include "data/workspace.h"
#include "fake_dialogs.h"
#include "fake_wave_audio.h"
#include "seqeditor/sequence_editor.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// A program folder, a workspace and an editor on fakes; Setup > Sound switches are recorded.
struct EditorRig
{
    explicit EditorRig(const QString &coordinates = QStringLiteral("TEVO"), int sound = 0)
    {
        ws.AppPath = home.path();
        ws.DataPath = path(QStringLiteral("Data"));
        QDir().mkpath(ws.DataPath);
        ws.settings.CoordinateSystem = coordinates;
        ws.SoundEnabled = sound;
        editor.closeWindow = [this] { ++closed; };
    }

    QString path(const QString &name) const { return QDir(home.path()).filePath(name); }

    // Writes a .seq file of "name:code" rows and returns its path.
    QString writeSequence(const QString &name, const QStringList &rows) const
    {
        QByteArray text = "3\t2\r\n1\r\n";
        for (const QString &row : rows)
            text += row.section(QLatin1Char(':'), 0, 0).toLatin1() + '\t' +
                    row.section(QLatin1Char(':'), 1).toLatin1() + "\r\n";
        const QString file = QDir(ws.DataPath).filePath(name);
        QFile f(file);
        if (f.open(QIODevice::WriteOnly))
            f.write(text);
        return file;
    }

    // Makes the rows the program's sequence, as if `file` had been opened in the main window.
    void loadProgram(const QString &file)
    {
        SequenceEditor::loadProgramSequence(file, ws, dialogs);
    }

    QTemporaryDir home;
    Workspace ws;
    FakeDialogs dialogs;
    FakeWaveAudio audio;
    QList<bool> soundSwitches;
    SequenceEditor editor{ws, dialogs, audio, [this](bool on) { soundSwitches << on; }};
    int closed = 0;
};

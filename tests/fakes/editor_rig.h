#pragma once

#include "rig.h"
#include "seqeditor/sequence_editor.h"

// The Sequence File Editor of a started run on a fake sound device; its Setup > Sound switches
// go to the program's Setup commands.
struct EditorRig : Rig
{
    explicit EditorRig(const Fixtures::Ini &ini = {})
    {
        start(ini);
        QDir().mkpath(ws.DataPath);
        editor.closeWindow = [this] { ++closed; };
    }
    // Writes Data/<name> with rows "name:code" and returns its path.
    QString writeSequence(const QString &name, const QStringList &rows) const
    {
        QByteArray text = "3\t2\r\n1\r\n";
        for (const QString &row : rows)
            text +=
                row.section(':', 0, 0).toLatin1() + '\t' + row.section(':', 1).toLatin1() + "\r\n";
        return home.write("Data/" + name, text);
    }
    // Makes `file` the program's sequence, as File > Open does in the main window.
    void loadProgram(const QString &file)
    {
        SequenceEditor::loadProgramSequence(file, ws, dialogs);
    }

    FakeWaveAudio wave;
    SequenceEditor editor{ws, dialogs, wave, [this](bool on) { app.menus.setup.chooseSound(on); }};
    int closed = 0;
};

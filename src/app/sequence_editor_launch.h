#pragma once

#include <QStringList>

class AppCore;
class QWidget;

// Setup > Edit Sequence File: the editor on the program's sequence, modal over `parent`.
void openSequenceEditor(AppCore &app, QWidget *parent);

// `pointra --edit-sequence [FILE.seq]`: reads FILE (when not empty) as the program's sequence
// and runs the editor alone. Closing it ends the run after the exit questions; Cancel there
// brings the editor back. Returns the exit status.
int runEditSequenceCommand(AppCore &app, const QString &sequenceFile);

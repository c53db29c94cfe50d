#pragma once

#include <QStringList>

class Application;
class QWidget;

// Setup > Edit Sequence File: the editor on the program's sequence, modal over `parent`.
void openSequenceEditor(Application &app, QWidget *parent);

// `pointra --edit-sequence [FILE.seq]`.
bool isEditSequenceCommand(const QStringList &arguments);
// Reads FILE (when given) as the program's sequence and runs the editor alone. Closing it ends
// the run after the exit questions; Cancel there brings the editor back. Returns the exit status.
int runEditSequenceCommand(Application &app, const QStringList &arguments);

#pragma once

#include <QByteArray>
#include <QString>

class Dialogs;
class LineReader;
struct Workspace;

// Curry .res files: the form Pointra writes (LF line ends) and the old fixed-column form.
QByteArray curryFileText(const Workspace &ws);
void WriteCurryFile(const QString &path, Workspace &ws);
// True when the text is in the form Pointra writes; such files read back slot by slot.
bool isCurryNewForm(const QByteArray &bytes);
// Reads either form into the Curry set and copies it into the measured set; FileError on failure.
void ReadCurryFile(const QByteArray &bytes, Workspace &ws, Dialogs &dialogs);
void ReadCurryOldFile(LineReader &in, Workspace &ws, Dialogs &dialogs);

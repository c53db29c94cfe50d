#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class Dialogs;
struct Workspace;

// The file kinds Pointra opens and saves, one row each.
enum class FileKind { Dewar, Calibration, Fiducials, Sequence, Electrode, Besa, Curry, Shape };

struct FileFormat
{
    FileKind kind;
    QString extension;            // lower case, without the dot
    QString description;          // as the dialogs list it
    QString system;               // coordinate system opening switches to; empty: none
    QString listing;              // the View listing of what opening fills
    QString Workspace::*fileName; // where the opened file's name is kept
    // Reads the whole file; throws FileError and changes nothing on failure.
    void (*read)(const QByteArray &bytes, Workspace &ws, Dialogs &dialogs);
    // Writes the file (nullptr: read only); throws FileError and leaves the old file on failure.
    void (*write)(const QString &path, Workspace &ws);
    bool savedByName; // File > Save As writes it by its extension
};

const QList<FileFormat> &fileFormats();
const FileFormat &formatOf(FileKind kind);
// The format of a file name; the extension counts in all-lower or all-upper case only.
const FileFormat *formatOfName(const QString &fileName);
// Dialog filter of every format the File menu opens, then "All files".
QString openFilter();

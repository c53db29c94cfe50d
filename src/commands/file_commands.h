#pragma once

#include "commands/file_format.h"

#include <QString>

struct Session;
class CommandTable;
class FileError;

// The File menu: Open and Save As by extension, and the fixed-name commands.
class FileCommands
{
public:
    explicit FileCommands(Session &session) : m_s(session) {}
    void registerCommands(CommandTable &table);

    // Where the fixed calibration, fiducials and probe files go ("c:\" on the original systems).
    QString fixedMegFolder() const;

    // File > Open and File > Save As with their dialogs; Save As is true when a file was written.
    void open();
    bool saveAs();
    // Open without a dialog: dispatch, messages, DataPath. True when a file was read.
    bool openPath(const QString &path);
    // Write by extension without a dialog; false when nothing was written.
    bool savePath(const QString &path);
    // The save dialog with the overwrite question; empty when cancelled or declined.
    QString askSaveName(const QString &filter, int filterIndex);
    // Reads one file of a known kind; messages go to the operator. True on success.
    bool readFile(FileKind kind, const QString &path);
    // Writes one file of a known kind; failures are told. True on success.
    bool writeFile(FileKind kind, const QString &path);

    // Reports a failed read as the File menu does.
    void reportReadError(const FileError &e);
    void reportWriteError(const FileError &e);
    void setDataPathFrom(const QString &fileName);

private:
    void refresh();
    Session &m_s;
};

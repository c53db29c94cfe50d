#pragma once

#include "commands/file_format.h"

#include <QString>
#include <QStringList>

struct Session;
struct Workspace;
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
    // Save As for one data set: the dialog offers the type of `extension` first; true only when a
    // file of one of `kinds` was written (the operator is told when another kind was saved).
    bool saveAsFor(const QString &extension, const QList<FileKind> &kinds);
    // Open without a dialog: dispatch, messages, DataPath. True when a file was read.
    bool openPath(const QString &path);
    // Write by extension without a dialog; false when nothing was written.
    bool savePath(const QString &path);
    // The save dialog with the overwrite question; empty when cancelled or declined.
    QString askSaveName(const QString &filter, int filterIndex);
    // False, telling the operator, when no writer takes the name's extension.
    bool knownSaveName(const QString &path);
    // Reads one file of a known kind; messages go to the operator. True on success.
    bool readFile(FileKind kind, const QString &path);
    // Writes one file of a known kind; failures are told. True on success.
    bool writeFile(FileKind kind, const QString &path);

    // Writes from another workspace than the session's (a conversion's output set).
    bool writeFileFrom(FileKind kind, const QString &path, Workspace &ws);
    // `name` in `folder` whatever its letter case: a fixed-name file that differs only in case
    // is the same file to Pointra, so Open finds what Save wrote and Save replaces it.
    static QString fixedPath(const QString &folder, const QString &name);
    // "Cz (electrodes 3, 7)" for every label given to more than one electrode.
    static QStringList sharedLabels(const QStringList &labels);

    // Reports a failed read as the File menu does.
    void reportReadError(const FileError &e);
    void reportWriteError(const FileError &e);
    void setDataPathFrom(const QString &fileName);

private:
    void refresh();
    // Reads and, when `switchSystem`, takes on the file's coordinate system: all or nothing.
    bool readFileAs(FileKind kind, const QString &path, bool switchSystem);
    // Shared labels and labels that cannot be written as they are, told before a save.
    void warnAboutLabels(FileKind kind, const Workspace &ws);
    Session &m_s;
    bool m_toldDecimalComma = false;
};

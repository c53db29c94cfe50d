#pragma once

#include <QString>
#include <functional>

struct Session;
class CommandTable;
class FileError;

// The File menu: Open and Save As by extension, and the fixed-name commands.
class FileCommands
{
public:
    enum class Kind {
        None,
        Dewar,
        Calibration,
        Fiducials,
        Sequence,
        Electrode,
        Besa,
        Curry,
        Shape
    };

    explicit FileCommands(Session &session) : m_s(session) {}
    void registerCommands(CommandTable &table);

    // Recognised only in all-lower or all-upper case.
    static Kind kindOf(const QString &fileName);
    // Where the fixed calibration, fiducials and probe files go ("c:\" on the original systems).
    QString fixedMegFolder() const;

    void menuOpen_Click();
    void menuSaveAs_Click();
    // Open without a dialog: dispatch, messages, DataPath. True when a file was read.
    bool openPath(const QString &path);
    // Write by extension without a dialog; false when nothing was written.
    bool savePath(const QString &path);
    // The save dialog with the overwrite question; empty when cancelled or declined.
    QString askSaveName(const QString &filter, int filterIndex);
    // Reads one file of a known kind; messages go to the operator. True on success.
    bool readFile(Kind kind, const QString &path);
    // Writes one file of a known kind; failures are told. True on success.
    bool writeFile(Kind kind, const QString &path);

    // Reports a failed read as the File menu does.
    void reportReadError(const FileError &e);
    void reportWriteError(const FileError &e);
    void setDataPathFrom(const QString &fileName);

private:
    void refresh();
    Session &m_s;
};

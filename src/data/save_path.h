#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

// The one way Pointra replaces a file: the new text goes to a temporary file beside the target,
// every write and the sync to disk are checked, and only a complete file replaces the old one.
// A failure throws FileError(Io) naming the file and the system's reason; the old file stays.

struct SaveTarget
{
    QString path;
    QByteArray bytes;
};

// Writes one file.
void saveText(const QString &path, const QByteArray &bytes);
// Writes files that belong together (a BESA .sfp and its .ela): every target is checked and
// written in full before any is replaced; if one cannot be replaced, those already replaced
// get their old content back, so all or none change.
void saveTexts(const QList<SaveTarget> &targets);

// The steps a save goes through, where a disk can fail.
enum class SaveStep { Open, Write, Sync, Commit };

// Tests make a step fail as a full or broken disk would: the hook returns the system error
// number to fail `step` of the save of `target` with (ENOSPC, EIO, EDQUOT ...), or 0 to go on.
// Returns the hook it replaces; an empty hook removes it.
using SaveFaultHook = std::function<int(SaveStep step, const QString &target)>;
SaveFaultHook setSaveFaultHook(SaveFaultHook hook);

#pragma once

#include <QString>
#include <QStringList>

struct Workspace;
class WaveAudio;

// Where the spoken prompts live: <AppPath>/tmp while a sequence is being edited, and
// <AppPath>/Sounds/<sequence title> once it is saved. Every file name comes from PromptNames,
// so nothing is written outside these two folders.
namespace SoundPrompts {
QString workingFolder(const QString &appPath);
QString storedFolder(const QString &appPath, const QString &sequenceTitle);
// File of point `index` (0-based) of `names` in `folder`; empty for an empty name.
QString promptFile(const QString &folder, const QStringList &names, int index);
// The files of all points at once, index for index (empty entries for empty names).
QStringList promptFiles(const QString &folder, const QStringList &names);

// Copies the stored prompts of `title` into the working folder (created when missing).
// `replace` lets a stored prompt replace a working prompt of the same name.
void copyIn(const QString &appPath, const QString &title, bool replace);
// True when the working folder holds at least one prompt.
bool hasWorkingPrompts(const QString &appPath);
// Moves every working prompt into the stored folder of `title`, replacing older ones, removes the
// stored prompts named in `dropped` (file names) that were not recorded again, and removes the
// working folder. False with the reason when a prompt could not be moved.
bool moveOut(const QString &appPath, const QString &title, const QStringList &dropped,
             QString *error);

// What the measurement plays before point `index` (0-based) of the loaded sequence: its stored
// prompt when sound is on and the file exists; otherwise nothing. True when a play started.
bool playStoredPrompt(const Workspace &ws, WaveAudio &audio, int index);
} // namespace SoundPrompts

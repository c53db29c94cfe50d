#include "sound_prompts.h"

#include "data/workspace.h"
#include "seams/wave_audio.h"
#include "data/prompt_names.h"
#include "data/app_paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace SoundPrompts {

namespace {
const QString WavPattern = QStringLiteral("*.wav");
} // namespace

QString workingFolder(const QString &appPath)
{
    return AppPaths::tmpFolder(appPath);
}

QString storedFolder(const QString &appPath, const QString &sequenceTitle)
{
    const QString stem = PromptNames::safeStem(sequenceTitle);
    return QDir(AppPaths::soundsFolder(appPath))
        .filePath(stem.isEmpty() ? QStringLiteral("_") : stem);
}

QString promptFile(const QString &folder, const QStringList &names, int index)
{
    if (index < 0 || index >= names.size())
        return {};
    return promptFiles(folder, names).at(index);
}

QStringList promptFiles(const QString &folder, const QStringList &names)
{
    const QDir dir(folder);
    const QString inside = QDir::cleanPath(dir.absolutePath());
    QStringList files;
    files.reserve(names.size());
    for (const QString &stem : PromptNames::fileStems(names)) {
        const QString file =
            stem.isEmpty() ? QString() : dir.filePath(stem + QStringLiteral(".wav"));
        // Whatever a stem holds, a file outside the folder is no prompt file.
        const bool contained =
            !file.isEmpty() && QDir::cleanPath(QFileInfo(file).absolutePath()) == inside;
        files << (contained ? file : QString());
    }
    return files;
}

void copyIn(const QString &appPath, const QString &title, bool replace)
{
    const QDir work(workingFolder(appPath));
    QDir().mkpath(work.path());
    if (title.isEmpty())
        return;
    const QDir stored(storedFolder(appPath, title));
    if (!stored.exists())
        return;
    for (const QString &name : stored.entryList(QDir::Files)) {
        const QString target = work.filePath(name);
        if (QFileInfo::exists(target)) {
            if (!replace)
                continue;
            QFile::remove(target);
        }
        QFile::copy(stored.filePath(name), target);
    }
}

bool hasWorkingPrompts(const QString &appPath)
{
    return !QDir(workingFolder(appPath)).entryList({WavPattern}, QDir::Files).isEmpty();
}

bool moveOut(const QString &appPath, const QString &title, const QStringList &dropped,
             QString *error)
{
    const QDir work(workingFolder(appPath));
    const QDir stored(storedFolder(appPath, title));
    if (!QDir().mkpath(stored.path())) {
        if (error)
            *error = QStringLiteral("The folder ") + QDir::toNativeSeparators(stored.path()) +
                     QStringLiteral(" could not be made.");
        return false;
    }
    const QStringList prompts =
        work.exists() ? work.entryList({WavPattern}, QDir::Files) : QStringList();
    for (const QString &name : dropped) {
        if (!prompts.contains(name))
            QFile::remove(stored.filePath(name));
    }
    QStringList failed;
    for (const QString &name : prompts) {
        const QString target = stored.filePath(name);
        if (QFileInfo::exists(target))
            QFile::remove(target);
        if (!QFile::rename(work.filePath(name), target))
            failed << name;
    }
    // Only an empty folder goes; a prompt that could not be moved stays where it was.
    if (work.exists())
        QDir().rmdir(work.path());
    if (!failed.isEmpty() && error)
        *error = QStringLiteral("These prompts could not be moved into ") +
                 QDir::toNativeSeparators(stored.path()) + QStringLiteral(": ") +
                 failed.join(QStringLiteral(", "));
    return failed.isEmpty();
}

bool playStoredPrompt(const Workspace &ws, WaveAudio &audio, int index)
{
    audio.close();
    if (ws.SoundEnabled != 1)
        return false;
    const QString file =
        promptFile(storedFolder(ws.AppPath, ws.SequenceTitle), ws.SeqName.mid(0, ws.NumSeq), index);
    return audio.playIfExists(file);
}

} // namespace SoundPrompts

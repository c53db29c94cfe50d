#include "save_path.h"

#include "data/file_error.h"
#include "seams/dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {
SaveFaultHook &faultHook()
{
    static SaveFaultHook hook;
    return hook;
}

int injected(SaveStep step, const QString &target)
{
    return faultHook() ? faultHook()(step, target) : 0;
}

QString reasonOf(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

[[noreturn]] void fail(const QString &path, const QString &reason, int targets)
{
    throw FileError(FileError::Kind::Io,
                    crJoin({QStringLiteral("Cannot write ") + shown(path) + QStringLiteral(": ") +
                                reason + QLatin1Char('.'),
                            targets > 1 ? QStringLiteral("The files on disk were not changed.")
                                        : QStringLiteral("The file on disk was not changed.")}));
}

// Refuses a target before anything is written: a folder, or a file marked read-only.
void check(const QString &path, int targets)
{
    const QFileInfo info(path);
    if (info.isDir())
        throw FileError(FileError::Kind::Io,
                        shown(path) + QStringLiteral(" is a folder, not a file."));
    // A file marked read-only stays untouched, whoever runs the program.
    const auto writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (info.exists() && !(info.permissions() & writeBits))
        throw FileError(FileError::Kind::Io,
                        shown(path) +
                            (targets > 1 ? QStringLiteral(" is read-only; no file was changed.")
                                         : QStringLiteral(" is read-only; nothing was written.")));
}

// Writes the whole text and syncs it; the temporary file holds it afterwards.
void writeAll(QSaveFile &file, const QString &path, const QByteArray &bytes, int targets)
{
    int err = injected(SaveStep::Open, path);
    if (err || !file.open(QIODevice::WriteOnly)) {
        const int saved = err ? err : errno;
        fail(path, err || file.errorString().isEmpty() ? reasonOf(saved) : file.errorString(),
             targets);
    }
    const int fd = file.handle();
    const char *p = bytes.constData();
    qint64 left = bytes.size();
    err = injected(SaveStep::Write, path);
    if (err) {
        // A disk that fills up takes part of the text first.
        if (left > 1)
            (void)!::write(fd, p, size_t(left / 2));
        fail(path, reasonOf(err), targets);
    }
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(path, reasonOf(n < 0 ? errno : EIO), targets);
        p += n;
        left -= n;
    }
    err = injected(SaveStep::Sync, path);
    if (err || ::fsync(fd) != 0)
        fail(path, reasonOf(err ? err : errno), targets);
}

void commit(QSaveFile &file, const QString &path, int targets)
{
    const int err = injected(SaveStep::Commit, path);
    if (err) {
        file.cancelWriting();
        fail(path, reasonOf(err), targets);
    }
    if (!file.commit())
        fail(path, file.errorString(), targets);
}

// Puts back what a target held before (or removes it if it did not exist).
void restore(const QString &path, const std::optional<QByteArray> &old)
{
    if (!old) {
        QFile::remove(path);
        return;
    }
    QSaveFile back(path);
    if (back.open(QIODevice::WriteOnly)) {
        back.write(*old);
        back.commit();
    }
}
} // namespace

void saveText(const QString &path, const QByteArray &bytes)
{
    saveTexts({{path, bytes}});
}

void saveTexts(const QList<SaveTarget> &targets)
{
    const int count = int(targets.size());
    for (const SaveTarget &t : targets)
        check(t.path, count);
    std::vector<std::unique_ptr<QSaveFile>> files;
    for (const SaveTarget &t : targets) {
        files.push_back(std::make_unique<QSaveFile>(t.path));
        // Leaving scope on a failure discards every temporary file written so far.
        writeAll(*files.back(), t.path, t.bytes, count);
    }
    std::vector<std::optional<QByteArray>> old;
    if (count > 1) {
        for (const SaveTarget &t : targets) {
            QFile f(t.path);
            old.push_back(f.open(QIODevice::ReadOnly) ? std::optional(f.readAll()) : std::nullopt);
        }
    }
    for (int k = 0; k < count; ++k) {
        try {
            commit(*files[k], targets[k].path, count);
        } catch (const FileError &) {
            for (int j = 0; j < k; ++j)
                restore(targets[j].path, old[j]);
            throw;
        }
    }
}

SaveFaultHook setSaveFaultHook(SaveFaultHook hook)
{
    SaveFaultHook previous = std::move(faultHook());
    faultHook() = std::move(hook);
    return previous;
}

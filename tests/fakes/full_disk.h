#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>

// A real small disk: a tmpfs mounted over a temporary folder (needs the right to mount; CI
// containers may not have it, so callers skip with `why()`).
class SmallDisk
{
public:
    explicit SmallDisk(int kilobytes = 64)
    {
        const QByteArray where = QFile::encodeName(m_dir.path());
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        if (::mount("tmpfs", where.constData(), "tmpfs", 0, options.constData()) == 0)
            m_mounted = true;
        else
            m_why = QStringLiteral("cannot mount a small tmpfs here (%1); the injected faults "
                                   "cover the same path")
                        .arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    QString why() const { return m_why; }
    QString path(const QString &name) const { return QDir(m_dir.path()).filePath(name); }

    // Writes `bytes` to `name`, then fills every free block with a filler file.
    bool placeAndFill(const QString &name, const QByteArray &bytes)
    {
        QFile old(path(name));
        if (!old.open(QIODevice::WriteOnly) || old.write(bytes) != bytes.size() || !old.flush())
            return false;
        old.close();
        QFile filler(path(QStringLiteral(".filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        return true;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_why;
};

// The child may write files of at most `bytes`: a longer write fails with EFBIG ("File too
// large") as a quota would, deterministically and without any special right.
inline void limitFileSize(QProcess &process, rlim_t bytes)
{
    process.setChildProcessModifier([bytes] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
}

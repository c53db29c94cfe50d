#include "journal.h"

#include "data/workspace.h"

#include <QDir>
#include <QFileInfo>
#include <set>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {
const QByteArray Magic = "POINTRA-JOURNAL\t1";
const QString TimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString unescaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar n = text[++i];
        out += n == QLatin1Char('r')   ? QChar('\r')
               : n == QLatin1Char('n') ? QChar('\n')
               : n == QLatin1Char('t') ? QChar('\t')
                                       : n;
    }
    return out;
}

// Makes a new directory entry survive a power loss as well as the file's contents.
void syncFolder(const QString &file)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(QFileInfo(file).absolutePath()).constData(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(file);
#endif
}
} // namespace

QString Journal::defaultPath(const QString &appPath)
{
    return QDir(appPath).filePath(QStringLiteral("pointra.journal"));
}

int Journal::Contents::taken() const
{
    std::set<int> points;
    for (const Entry &e : entries)
        points.insert(e.point);
    return static_cast<int>(points.size());
}

int Journal::Contents::lastPoint() const
{
    return entries.empty() ? -1 : entries.back().point;
}

QStringList Journal::Contents::records() const
{
    QStringList out;
    out.resize(names.size());
    for (const Entry &e : entries)
        if (e.point >= 0 && e.point < out.size())
            out[e.point] = e.record;
    return out;
}

std::optional<Journal::Contents> Journal::read(const QString &path, QString *error)
{
    auto fail = [&](const QString &why) -> std::optional<Contents> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return fail(f.errorString());
    QByteArray bytes = f.readAll();
    // A line without its end was being written when the program stopped.
    const qsizetype lastEnd = bytes.lastIndexOf('\n');
    bytes.truncate(lastEnd + 1);
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.isEmpty() || lines.first().toUtf8() != Magic)
        return fail(QStringLiteral("%1 is not a measurement journal.").arg(path));
    Contents c;
    bool begun = false;
    int points = -1;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList w = lines[i].split(QLatin1Char('\t'));
        const QString &key = w[0];
        if (key == QLatin1String("started") && w.size() == 2) {
            c.started = QDateTime::fromString(w[1], TimeFormat);
        } else if (key == QLatin1String("sequence") && w.size() == 3) {
            c.sequenceFile = unescaped(w[1]);
            c.sequenceTitle = unescaped(w[2]);
        } else if (key == QLatin1String("digitizer") && w.size() == 2) {
            c.model = modelFromName(w[1]);
        } else if (key == QLatin1String("receivers") && w.size() == 2) {
            c.receivers = w[1].toInt();
        } else if (key == QLatin1String("points") && w.size() == 2) {
            points = w[1].toInt();
        } else if (key == QLatin1String("seq") && w.size() == 3 && !begun) {
            c.names << unescaped(w[1]);
            c.codes << unescaped(w[2]);
        } else if (key == QLatin1String("begin") && !begun) {
            begun = true;
        } else if (key == QLatin1String("point") && w.size() == 5 && begun) {
            bool ok = false;
            const int n = w[1].toInt(&ok);
            if (!ok || n < 1 || n > c.names.size())
                return fail(QStringLiteral("%1: line %2 names no point of the sequence.")
                                .arg(path)
                                .arg(i + 1));
            c.entries.push_back(
                {n - 1, unescaped(w[2]), QDateTime::fromString(w[3], TimeFormat), unescaped(w[4])});
        } else {
            return fail(QStringLiteral("%1: line %2 cannot be read.").arg(path).arg(i + 1));
        }
    }
    if (!begun || points != c.names.size() || points < 1 || !isDevice(c.model))
        return fail(QStringLiteral("%1 holds no complete measurement header.").arg(path));
    return c;
}

void Journal::setPath(const QString &path)
{
    close();
    m_file.setFileName(path);
}

bool Journal::writeAndSync(const QByteArray &bytes, QString *error)
{
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
#ifdef Q_OS_UNIX
    if (::fdatasync(m_file.handle()) != 0) {
        if (error)
            *error = QStringLiteral("the disk did not confirm the write");
        return false;
    }
#endif
    return true;
}

bool Journal::begin(const Workspace &ws, QString *error)
{
    close();
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    QString header = QString::fromUtf8(Magic) + QLatin1Char('\n');
    header +=
        QStringLiteral("started\t%1\n").arg(QDateTime::currentDateTime().toString(TimeFormat));
    header += QStringLiteral("sequence\t%1\t%2\n")
                  .arg(escaped(ws.SequenceFile), escaped(ws.SequenceTitle));
    header += QStringLiteral("digitizer\t%1\n").arg(traitsOf(ws.settings.Digitizer).name);
    header += QStringLiteral("receivers\t%1\n").arg(ws.ReceiverCount);
    header += QStringLiteral("points\t%1\n").arg(ws.NumSeq);
    for (int i = 0; i < ws.NumSeq; ++i)
        header += QStringLiteral("seq\t%1\t%2\n")
                      .arg(escaped(ws.SeqName.value(i)), escaped(ws.SeqCode.value(i)));
    header += QStringLiteral("begin\n");
    const bool ok = writeAndSync(header.toUtf8(), error);
    syncFolder(path());
    if (!ok)
        discard();
    return ok;
}

bool Journal::resume(QString *error)
{
    close();
    if (!m_file.open(QIODevice::ReadWrite)) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    // Drop a line cut by the crash, so the next one starts on a line of its own.
    const QByteArray bytes = m_file.readAll();
    const qint64 keep = bytes.lastIndexOf('\n') + 1;
    if (keep != bytes.size() && !m_file.resize(keep)) {
        if (error)
            *error = m_file.errorString();
        close();
        return false;
    }
    m_file.seek(keep);
    return true;
}

bool Journal::append(int point, const QString &name, const QString &record, QString *error)
{
    if (!m_file.isOpen()) {
        if (error)
            *error = QStringLiteral("the journal is not open");
        return false;
    }
    const QString line =
        QStringLiteral("point\t%1\t%2\t%3\t%4\n")
            .arg(point + 1)
            .arg(escaped(name), QDateTime::currentDateTime().toString(TimeFormat), escaped(record));
    return writeAndSync(line.toUtf8(), error);
}

void Journal::close()
{
    if (m_file.isOpen())
        m_file.close();
}

void Journal::discard()
{
    close();
    if (!path().isEmpty())
        QFile::remove(path());
}

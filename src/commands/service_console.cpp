#include "service_console.h"

#include "data/digitizer_models.h"
#include "data/file_error.h"
#include "data/text_out.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "seams/clock.h"
#include "seams/dialogs.h"
#include "seams/serial_link.h"
#include "seams/session.h"

#include <QDateTime>
#include <QDir>

namespace {
constexpr int BytesPerHexLine = 16;

QString hexLine(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ')).toUpper();
}
} // namespace

ServiceConsole::ServiceConsole(Session &session) : m_s(session)
{
    const Workspace &ws = m_s.ws;
    add(QStringLiteral("Pointra service console, %1, Comm port %2, %3")
            .arg(traitsOf(ws.settings.Digitizer).name)
            .arg(ws.settings.CommPort)
            .arg(m_s.link.settings()));
    add(QStringLiteral("Started %1").arg(QDateTime::currentDateTime().toString(Qt::ISODate)));
}

QByteArray ServiceConsole::bytesOf(const QString &typed, Ending ending)
{
    QByteArray out;
    const QByteArray in = typed.toLatin1();
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i];
        const char next = i + 1 < in.size() ? in[i + 1] : '\0';
        if (c == '^' &&
            ((next >= 'A' && next <= 'Z') || (next >= 'a' && next <= 'z') || next == '[')) {
            out += char((next & 0x1f));
            ++i;
        } else if (c == '\\' && next == 'r') {
            out += '\r';
            ++i;
        } else if (c == '\\' && next == 'n') {
            out += '\n';
            ++i;
        } else if (c == '\\' && next == '\\') {
            out += '\\';
            ++i;
        } else if (c == '\\' && next == 'x' && i + 3 < in.size()) {
            bool ok = false;
            const int v = in.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out += char(v);
                i += 3;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
    // One-letter commands go bare; ^Z reads the PATRIOT's configuration and takes a CR.
    const bool bare = out.size() == 1 && out[0] != '\x1a';
    if (!out.isEmpty() && !out.endsWith('\r') &&
        (ending == Ending::Cr || (ending == Ending::Auto && !bare)))
        out += '\r';
    return out;
}

QString ServiceConsole::readable(const QByteArray &bytes)
{
    QString out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\r')
            out += QStringLiteral("<CR>");
        else if (c == '\n')
            out += QStringLiteral("<LF>");
        else if (c < 0x20)
            out += QLatin1Char('^') + QChar(char(c + 0x40));
        else if (c >= 0x7f)
            out += QStringLiteral("<%1>").arg(c, 2, 16, QLatin1Char('0')).toUpper();
        else
            out += QChar(char(c));
    }
    return out;
}

QStringList ServiceConsole::suggestions() const
{
    const DigitizerModel model = m_s.ws.settings.Digitizer;
    QStringList out;
    switch (model) {
    case DigitizerModel::Fastrak:
        out << QStringLiteral("S") << QStringLiteral("P") << QStringLiteral("l1")
            << QStringLiteral("O1") << QStringLiteral("O2") << QStringLiteral("C")
            << QStringLiteral("c");
        break;
    case DigitizerModel::Isotrak:
        out << QStringLiteral("S") << QStringLiteral("P") << QStringLiteral("l")
            << QStringLiteral("^D") << QStringLiteral("C") << QStringLiteral("c");
        break;
    case DigitizerModel::Patriot:
        out << QStringLiteral("P") << QStringLiteral("^Z") << QStringLiteral("C")
            << QStringLiteral("c");
        break;
    default:
        break;
    }
    const QString hemisphere =
        m_s.ws.settings.Hemisphere.isEmpty() ? QStringLiteral("0,0,1") : m_s.ws.settings.Hemisphere;
    for (const QByteArray &c : traitsOf(model).configuration(hemisphere)) {
        QByteArray shown = c;
        if (shown.endsWith('\r'))
            shown.chop(1);
        const QString typed = readable(shown);
        if (!out.contains(typed))
            out << typed;
    }
    return out;
}

void ServiceConsole::add(const QString &line)
{
    m_lines << line;
}

bool ServiceConsole::send(const QString &typed, Ending ending)
{
    if (m_collecting)
        finish();
    const QByteArray bytes = bytesOf(typed, ending);
    if (typed.trimmed().isEmpty()) {
        m_s.dialogs.show(QStringLiteral("Type a command for the digitizer first."));
        return false;
    }
    if (!DigitizerSetup::ensureOpen(m_s))
        return false;
    m_s.link.write(bytes);
    m_sentAt = m_lastByteAt = m_s.clock.nowMs();
    m_chunks.clear();
    m_collecting = true;
    add(QString());
    add(QStringLiteral("> %1    sent %2 bytes: %3")
            .arg(readable(bytes))
            .arg(bytes.size())
            .arg(hexLine(bytes)));
    return true;
}

void ServiceConsole::poll()
{
    if (!m_collecting)
        return;
    const qint64 now = m_s.clock.nowMs();
    const QByteArray bytes = m_s.link.readAll();
    if (!bytes.isEmpty()) {
        m_chunks.append({now - m_sentAt, bytes});
        m_lastByteAt = now;
    }
    if (m_s.link.deviceGone()) {
        add(QStringLiteral("The digitizer stopped answering: ") + m_s.link.errorText());
        endExchange();
        return;
    }
    if (now - m_lastByteAt >= quietMs || now - m_sentAt >= collectMs)
        endExchange();
}

void ServiceConsole::finish()
{
    if (!m_collecting)
        return;
    const QByteArray bytes = m_s.link.readAll();
    if (!bytes.isEmpty())
        m_chunks.append({m_s.clock.nowMs() - m_sentAt, bytes});
    endExchange();
}

void ServiceConsole::endExchange()
{
    m_collecting = false;
    m_s.link.close();
    QByteArray all;
    for (const Chunk &c : m_chunks)
        all += c.bytes;
    if (all.isEmpty()) {
        add(QStringLiteral("< no answer within %1 ms").arg(m_s.clock.nowMs() - m_sentAt));
        return;
    }
    const qint64 span = m_chunks.last().atMs;
    add(QStringLiteral("< %1 bytes, first after %2 ms, last after %3 ms")
            .arg(all.size())
            .arg(m_chunks.first().atMs)
            .arg(span));
    // As text: one line per line the device sent.
    QByteArray rest = all;
    while (!rest.isEmpty()) {
        qsizetype end = rest.indexOf("\r\n");
        const qsizetype take = end < 0 ? rest.size() : end + 2;
        add(QStringLiteral("  ") + readable(rest.left(take)));
        rest.remove(0, take);
    }
    // As bytes, with the time each piece arrived after the command.
    for (const Chunk &c : m_chunks) {
        for (qsizetype at = 0; at < c.bytes.size(); at += BytesPerHexLine) {
            const QString when =
                at == 0 ? QStringLiteral("+%1 ms").arg(c.atMs, 5) : QString(9, QLatin1Char(' '));
            add(QStringLiteral("  %1  %2").arg(when, hexLine(c.bytes.mid(at, BytesPerHexLine))));
        }
    }
}

QString ServiceConsole::transcript() const
{
    return m_lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QStringList ServiceConsole::takeNewLines()
{
    const QStringList out = m_lines.mid(m_taken);
    m_taken = int(m_lines.size());
    return out;
}

bool ServiceConsole::save(const QString &path)
{
    QByteArray bytes;
    for (const QString &line : m_lines)
        bytes += line.toLatin1() + "\r\n";
    try {
        saveText(path, bytes);
    } catch (const FileError &e) {
        m_s.dialogs.show(e.message());
        return false;
    }
    return true;
}

bool ServiceConsole::saveAs()
{
    Dialogs::FileRequest r{QStringLiteral("Save Console Session"),
                           QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*"), 1,
                           m_s.ws.AppPath, QStringLiteral("console.txt")};
    const auto name = m_s.dialogs.saveFileName(r);
    if (!name || name->isEmpty())
        return false;
    return save(*name);
}

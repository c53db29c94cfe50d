#include "qserial_link.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <poll.h>
#endif

namespace {
#ifdef Q_OS_UNIX
// A program killed while it opened the port can leave a lock file naming no live process (or
// nothing at all); the port then stays locked for good. Removes such a lock; true when it did.
bool removeDeadLock(const QString &portPath)
{
    QString name = portPath.startsWith(QLatin1String("/dev/")) ? portPath.mid(5) : portPath;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char *dir : {"/var/lock", "/run/lock", "/etc/locks", "/var/spool/locks",
                            "/var/spool/uucp", "/tmp", "/var/tmp"}) {
        QFile lock(QString::fromLatin1(dir) + QStringLiteral("/LCK..") + name);
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        bool ok = false;
        const qint64 pid = lock.readLine().trimmed().toLongLong(&ok);
        lock.close();
        const bool dead = !ok || pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH);
        return dead && QFile::remove(lock.fileName());
    }
    return false;
}
#else
bool removeDeadLock(const QString &)
{
    return false;
}
#endif
} // namespace

QSerialLink::QSerialLink()
{
    QObject::connect(
        &m_serial, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError e) {
            if (e == QSerialPort::ResourceError || e == QSerialPort::DeviceNotFoundError) {
                m_gone = true;
                m_error = deviceForPort(m_port) + QStringLiteral(": the device is gone (") +
                          m_serial.errorString() + QStringLiteral(")");
            }
        });
}

QString QSerialLink::deviceForPort(int port)
{
    const QString env =
        qEnvironmentVariable(qPrintable(QStringLiteral("POINTRA_COMM%1").arg(port)));
    if (!env.isEmpty())
        return env;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyUSB%1").arg(port - 1);
#endif
}

void QSerialLink::setCommPort(int port)
{
    if (!m_serial.isOpen())
        m_port = port;
}

void QSerialLink::setSettings(const QString &settings)
{
    if (!m_serial.isOpen())
        m_settings = settings;
}

int QSerialLink::baud() const
{
    bool ok = false;
    const int rate = m_settings.section(QLatin1Char(','), 0, 0).toInt(&ok);
    return ok && rate > 0 ? rate : 19200;
}

bool QSerialLink::open()
{
    if (m_serial.isOpen())
        return true;
    m_gone = false;
    const QString device = deviceForPort(m_port);
    if (m_port < 1 || m_port > 4) {
        m_error = QStringLiteral("Comm port %1 is not one of 1 to 4.").arg(m_port);
        return false;
    }
    m_serial.setPortName(QFileInfo(device).canonicalFilePath().isEmpty()
                             ? device
                             : QFileInfo(device).canonicalFilePath());
    m_serial.setBaudRate(baud());
    m_serial.setDataBits(QSerialPort::Data8);
    m_serial.setParity(QSerialPort::NoParity);
    m_serial.setStopBits(QSerialPort::OneStop);
    m_serial.setFlowControl(QSerialPort::NoFlowControl);
    bool opened = m_serial.open(QIODevice::ReadWrite);
    if (!opened && m_serial.error() == QSerialPort::PermissionError &&
        removeDeadLock(m_serial.portName().startsWith(QLatin1Char('/'))
                           ? m_serial.portName()
                           : QStringLiteral("/dev/") + m_serial.portName()))
        opened = m_serial.open(QIODevice::ReadWrite);
    if (!opened) {
        m_error =
            QStringLiteral("Comm port %1 (%2): %3").arg(m_port).arg(device, m_serial.errorString());
        return false;
    }
    m_error.clear();
    return true;
}

void QSerialLink::close()
{
    if (!m_serial.isOpen())
        return;
    // Waiting with nothing left to send would only cost the operator 200 ms a reading.
    if (!m_gone && m_serial.bytesToWrite() > 0)
        m_serial.waitForBytesWritten(200);
    m_serial.close();
}

void QSerialLink::write(const QByteArray &bytes)
{
    if (!m_serial.isOpen() || m_gone)
        return;
    m_serial.write(bytes);
    // Ten bits a character on the wire, plus slack for the driver.
    const int ms = static_cast<int>(bytes.size() * 10000LL / baud()) + 100;
    m_serial.waitForBytesWritten(ms);
}

void QSerialLink::pull()
{
    if (!m_serial.isOpen() || m_gone)
        return;
#ifdef Q_OS_UNIX
    // A hung-up line (adapter unplugged, emulator ended) raises no port error until written to.
    pollfd pfd{static_cast<int>(m_serial.handle()), POLLIN, 0};
    if (::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        m_gone = true;
        m_error = deviceForPort(m_port) + QStringLiteral(": the line was hung up");
        return;
    }
#endif
    for (int i = 0; i < 64 && m_serial.waitForReadyRead(0); ++i) {
    }
}

QByteArray QSerialLink::readAll()
{
    pull();
    return m_serial.isOpen() ? m_serial.readAll() : QByteArray();
}

int QSerialLink::bytesPending()
{
    pull();
    return m_serial.isOpen() ? static_cast<int>(m_serial.bytesAvailable()) : 0;
}

void QSerialLink::discardPending()
{
    if (!m_serial.isOpen())
        return;
    pull();
    m_serial.clear(QSerialPort::Input);
    m_serial.readAll();
}

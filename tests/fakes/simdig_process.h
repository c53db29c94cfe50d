#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

// pointra-simdig in a child process, serving a pseudo-terminal linked at `device()`.
class SimdigProcess
{
public:
    explicit SimdigProcess(const QStringList &extraArgs)
    {
        m_device = m_dir.filePath(QStringLiteral("digitizer"));
        m_logIn = m_dir.filePath(QStringLiteral("in.log"));
        QStringList args{QStringLiteral("--link"), m_device, QStringLiteral("--log-in"), m_logIn};
        m_process.start(QStringLiteral(POINTRA_SIMDIG), args + extraArgs);
        if (m_process.waitForStarted(5000) && m_process.waitForReadyRead(5000))
            m_pty = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~SimdigProcess() { stop(); }

    bool ok() const { return !m_pty.isEmpty(); }
    QString device() const { return m_device; }
    void send(const QByteArray &stylusCommands)
    {
        m_process.write(stylusCommands);
        m_process.waitForBytesWritten(1000);
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(3000);
    }
    // The bytes the host sent, once at least `count` have arrived (or after `ms`).
    QByteArray hostBytes(int count, int ms = 3000) const
    {
        QElapsedTimer t;
        t.start();
        QByteArray bytes;
        do {
            QFile f(m_logIn);
            if (f.open(QIODevice::ReadOnly))
                bytes = f.readAll();
            if (bytes.size() >= count)
                break;
            QThread::msleep(10);
        } while (t.elapsed() < ms);
        return bytes;
    }

private:
    QTemporaryDir m_dir;
    QString m_device, m_logIn, m_pty;
    QProcess m_process;
};

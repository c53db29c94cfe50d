#pragma once

#include <QByteArray>
#include <QString>

// The serial operations the digitizer code relies on; the port is opened per exchange.
class SerialLink
{
public:
    virtual ~SerialLink() = default;

    // Port number and line settings ("19200,n,8,1") may change only while closed.
    virtual void setCommPort(int port) = 0;
    virtual int commPort() const = 0;
    virtual void setSettings(const QString &settings) = 0;
    virtual QString settings() const = 0;

    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Why the last open failed or the device went away, naming the device.
    virtual QString errorText() const = 0;
    // True once the device disappeared (adapter unplugged, emulator ended) while open.
    virtual bool deviceGone() const = 0;

    virtual void write(const QByteArray &bytes) = 0;
    virtual QByteArray readAll() = 0;
    virtual int bytesPending() = 0;
    virtual void discardPending() = 0;
};

// Port number, line settings and the open flag of a link without a port driver behind it.
class SoftSerialLink : public SerialLink
{
public:
    void setCommPort(int port) override
    {
        if (!m_open)
            m_port = port;
    }
    int commPort() const override { return m_port; }
    void setSettings(const QString &settings) override
    {
        if (!m_open)
            m_settings = settings;
    }
    QString settings() const override { return m_settings; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }

protected:
    int m_port = 1;
    QString m_settings = QStringLiteral("19200,n,8,1");
    bool m_open = false;
};

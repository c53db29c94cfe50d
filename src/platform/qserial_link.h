#pragma once

#include "seams/serial_link.h"

#include <QSerialPort>

// The digitizer line on a real serial port or pseudo-terminal.
class QSerialLink final : public SerialLink
{
public:
    QSerialLink();

    // Comm port n names POINTRA_COMM<n> when set, else the platform default.
    static QString deviceForPort(int port);

    void setCommPort(int port) override;
    int commPort() const override { return m_port; }
    void setSettings(const QString &settings) override;
    QString settings() const override { return m_settings; }
    bool open() override;
    void close() override;
    bool isOpen() const override { return m_serial.isOpen(); }
    QString errorText() const override { return m_error; }
    bool deviceGone() const override { return m_gone; }
    void write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    int bytesPending() override;
    void discardPending() override;

private:
    void pull();
    int baud() const;
    int m_port = 0;
    QString m_settings = QStringLiteral("19200,n,8,1");
    QString m_error;
    bool m_gone = false;
    QSerialPort m_serial;
};

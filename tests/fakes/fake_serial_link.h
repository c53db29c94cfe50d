#pragma once

#include "digitizer/serial_link.h"

#include <QList>
#include <QMap>

// A link that records what the host writes and answers single commands from a table.
class FakeSerialLink final : public SerialLink
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
    bool open() override
    {
        if (failOpen) {
            ++failedOpens;
            return false;
        }
        m_open = true;
        ++opens;
        return true;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    QString errorText() const override
    {
        return QStringLiteral("Comm port %1 (/dev/fake): No such file").arg(m_port);
    }
    bool deviceGone() const override { return false; }
    void write(const QByteArray &bytes) override
    {
        written << bytes;
        writtenAtSettings << m_settings;
        if (replies.contains(bytes))
            m_in += replies.value(bytes);
    }
    QByteArray readAll() override
    {
        QByteArray b = m_in;
        m_in.clear();
        return b;
    }
    int bytesPending() override { return static_cast<int>(m_in.size()); }
    void discardPending() override
    {
        m_in.clear();
        ++discards;
    }

    QList<QByteArray> written;
    QStringList writtenAtSettings;
    QMap<QByteArray, QByteArray> replies;
    bool failOpen = false;
    int opens = 0;
    int failedOpens = 0;
    int discards = 0;

private:
    int m_port = 0;
    QString m_settings;
    bool m_open = false;
    QByteArray m_in;
};

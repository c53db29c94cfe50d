#pragma once

#include "seams/serial_link.h"

#include <QList>
#include <QMap>

// A link that records what the host writes and answers single commands from a table.
class FakeSerialLink final : public SoftSerialLink
{
public:
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
    QByteArray m_in;
};

#pragma once

#include "seams/wave_audio.h"

#include <QFile>
#include <QStringList>

// Stands in for a sound device: logs the commands, and a saved take is a small file whose text
// names the take, so a test can tell one recording from another.
class FakeWaveAudio final : public WaveAudio
{
public:
    bool open(const QString &fileName) override
    {
        log << QStringLiteral("Open ") + fileName;
        m_file = fileName;
        return QFile::exists(fileName);
    }
    void close() override
    {
        log << QStringLiteral("Close");
        m_recording = false;
        m_hasTake = false;
        m_file.clear();
    }
    void play() override
    {
        log << QStringLiteral("Play ") + m_file;
        played << m_file;
        if (finishAtOnce || !canPlay())
            notifyPlayFinished();
    }
    void record() override
    {
        log << QStringLiteral("Record ") + m_file;
        // The working prompt must already be gone when a new take starts.
        staleFileAtRecord = QFile::exists(m_file);
        m_recording = input;
    }
    void stop() override
    {
        log << QStringLiteral("Stop");
        if (m_recording)
            m_hasTake = true;
        m_recording = false;
    }
    bool save(const QString &fileName) override
    {
        log << QStringLiteral("Save ") + fileName;
        if (m_recording)
            stop();
        if (!m_hasTake)
            return false;
        m_hasTake = false;
        QFile f(fileName);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write(QByteArray("take ") + QByteArray::number(++takes));
        return true;
    }
    bool isRecording() const override { return m_recording; }
    bool canRecord() const override { return input; }
    bool canPlay() const override { return output; }
    QString unavailableReason() const override
    {
        return input && output ? QString() : QStringLiteral("fake: no sound device");
    }

    // The device reached the end of the prompt being played.
    void endOfPrompt() { notifyPlayFinished(); }

    bool input = true;
    bool output = true;
    bool finishAtOnce = false;
    bool staleFileAtRecord = false;
    int takes = 0;
    QStringList log;
    QStringList played;

private:
    QString m_file;
    bool m_recording = false;
    bool m_hasTake = false;
};

inline QByteArray fileText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

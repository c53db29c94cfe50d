#pragma once

#include "seams/wave_audio.h"

#include <QStringList>

// Remembers which files were opened and played.
class RecordingAudio final : public WaveAudio
{
public:
    bool open(const QString &fileName) override
    {
        m_open = fileName;
        return true;
    }
    void close() override { m_open.clear(); }
    void play() override { played << m_open; }
    void record() override {}
    void stop() override {}
    bool save(const QString &) override { return false; }
    bool isRecording() const override { return false; }
    bool canRecord() const override { return false; }
    bool canPlay() const override { return true; }
    QString unavailableReason() const override { return {}; }

    QStringList played;

private:
    QString m_open;
};

#pragma once

#include "platform/wav_file.h"
#include "seams/wave_audio.h"

#include <QBuffer>
#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <memory>

class QAudioFormat;
class QAudioSource;
class QMediaDevices;
class QSoundEffect;

// Prompts on Qt Multimedia: records the default input device into memory and writes it as a
// WAV file in the device's own rate and channels; plays WAV files without blocking. Without a
// device it records nothing and every play ends at once.
class QtWaveAudio final : public QObject, public WaveAudio
{
    Q_OBJECT
public:
    explicit QtWaveAudio(QObject *parent = nullptr);
    ~QtWaveAudio() override;

    bool open(const QString &fileName) override;
    void close() override;
    void play() override;
    void record() override;
    void stop() override;
    bool save(const QString &fileName) override;
    bool isRecording() const override { return m_recording; }
    bool canRecord() const override;
    bool canPlay() const override;
    QString unavailableReason() const override;

    bool isPlaying() const { return m_playing; }
    // A take stops by itself after this long, so a forgotten recording cannot fill the memory.
    static constexpr int MaxRecordingMs = 60000;
    // Longest a play may go past the file's length before it counts as ended.
    static constexpr int PlayGraceMs = 3000;

private:
    void refreshDevices() const;
    void endRecording(bool keep);
    void endPlaying();
    void finishPlay(quint64 generation);
    static PcmFormat pcmOf(const QAudioFormat &format);

    QString m_file;
    // Device lists are read once and then followed through QMediaDevices' change signals.
    mutable QMediaDevices *m_devices = nullptr;
    mutable bool m_hasInput = false;
    mutable bool m_hasOutput = false;

    std::unique_ptr<QAudioSource> m_source;
    QByteArray m_take;
    QBuffer m_takeBuffer;
    PcmFormat m_takeFormat;
    bool m_recording = false;
    bool m_hasTake = false;
    QTimer m_recordLimit;

    QSoundEffect *m_effect = nullptr;
    QTimer m_playWatchdog;
    bool m_playing = false;
    quint64 m_playGeneration = 0;
};

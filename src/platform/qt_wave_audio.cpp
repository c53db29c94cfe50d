#include "qt_wave_audio.h"

#include "data/file_error.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

QtWaveAudio::QtWaveAudio(QObject *parent) : QObject(parent)
{
    m_recordLimit.setSingleShot(true);
    connect(&m_recordLimit, &QTimer::timeout, this, [this] { endRecording(true); });
    m_playWatchdog.setSingleShot(true);
}

QtWaveAudio::~QtWaveAudio()
{
    m_recordLimit.stop();
    m_playWatchdog.stop();
    endRecording(false);
    if (m_effect) {
        m_effect->disconnect(this);
        m_effect->stop();
        delete m_effect;
    }
}

void QtWaveAudio::refreshDevices() const
{
    if (m_devices)
        return;
    auto *self = const_cast<QtWaveAudio *>(this);
    m_devices = new QMediaDevices(self);
    auto update = [self] {
        self->m_hasInput = !QMediaDevices::defaultAudioInput().isNull();
        self->m_hasOutput = !QMediaDevices::defaultAudioOutput().isNull();
    };
    connect(m_devices, &QMediaDevices::audioInputsChanged, self, update);
    connect(m_devices, &QMediaDevices::audioOutputsChanged, self, update);
    update();
}

bool QtWaveAudio::canRecord() const
{
    refreshDevices();
    return m_hasInput;
}

bool QtWaveAudio::canPlay() const
{
    refreshDevices();
    return m_hasOutput;
}

QString QtWaveAudio::unavailableReason() const
{
    const bool in = canRecord();
    const bool out = canPlay();
    if (in && out)
        return {};
    if (!in && !out)
        return QStringLiteral("Sound is unavailable: no audio input or output device was found.") +
               QChar(13) +
               QStringLiteral("Prompts can be neither recorded nor played; everything else works "
                              "as usual.");
    if (!in)
        return QStringLiteral("No audio input device was found: prompts cannot be recorded.") +
               QChar(13) + QStringLiteral("Prompts already recorded are still played.");
    return QStringLiteral("No audio output device was found: prompts are not played.") + QChar(13) +
           QStringLiteral("They can still be recorded.");
}

bool QtWaveAudio::open(const QString &fileName)
{
    m_file = fileName;
    return QFileInfo(fileName).isFile();
}

void QtWaveAudio::close()
{
    endRecording(false);
    endPlaying();
    m_hasTake = false;
    m_take.clear();
    m_file.clear();
}

PcmFormat QtWaveAudio::pcmOf(const QAudioFormat &format)
{
    PcmFormat pcm;
    pcm.sampleRate = format.sampleRate();
    pcm.channels = format.channelCount();
    pcm.bitsPerSample = format.bytesPerSample() * 8;
    pcm.isFloat = format.sampleFormat() == QAudioFormat::Float;
    return pcm;
}

void QtWaveAudio::record()
{
    endPlaying();
    endRecording(false);
    m_hasTake = false;
    if (m_file.isEmpty() || !canRecord())
        return;
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    QAudioFormat format = device.preferredFormat();
    // The device's rate and channels; 16-bit integers when it offers them, which every player
    // reads.
    if (format.sampleFormat() != QAudioFormat::Int16) {
        QAudioFormat int16 = format;
        int16.setSampleFormat(QAudioFormat::Int16);
        if (device.isFormatSupported(int16))
            format = int16;
    }
    if (!format.isValid() || !pcmOf(format).isValid())
        return;
    m_source = std::make_unique<QAudioSource>(device, format);
    connect(m_source.get(), &QAudioSource::stateChanged, this, [this](QAudio::State state) {
        // A lost device ends the take; the source is not deleted inside its own signal.
        if (state == QAudio::StoppedState && m_source && m_source->error() != QAudio::NoError)
            QTimer::singleShot(0, this, [this] {
                if (m_recording)
                    endRecording(true);
            });
    });
    m_take.clear();
    m_takeBuffer.setBuffer(&m_take);
    m_takeBuffer.open(QIODevice::WriteOnly);
    m_takeFormat = pcmOf(format);
    m_source->start(&m_takeBuffer);
    if (m_source->error() != QAudio::NoError) {
        m_source.reset();
        m_takeBuffer.close();
        return;
    }
    m_recording = true;
    m_recordLimit.start(MaxRecordingMs);
}

void QtWaveAudio::endRecording(bool keep)
{
    m_recordLimit.stop();
    if (m_source) {
        m_source->disconnect(this);
        m_source->stop();
        m_source.reset();
    }
    if (m_takeBuffer.isOpen())
        m_takeBuffer.close();
    if (m_recording)
        m_hasTake = keep;
    m_recording = false;
}

void QtWaveAudio::stop()
{
    if (m_recording) {
        endRecording(true);
        return;
    }
    endPlaying();
}

bool QtWaveAudio::save(const QString &fileName)
{
    if (m_recording)
        endRecording(true);
    if (!m_hasTake || fileName.isEmpty())
        return false;
    try {
        Wav::write(fileName, m_takeFormat, m_take);
    } catch (const FileError &) {
        return false;
    }
    m_hasTake = false;
    m_take.clear();
    return true;
}

void QtWaveAudio::endPlaying()
{
    m_playWatchdog.stop();
    m_playWatchdog.disconnect(this);
    m_playing = false;
    ++m_playGeneration;
    if (m_effect) {
        // It may be the sender of the signal being handled.
        m_effect->disconnect(this);
        m_effect->stop();
        m_effect->deleteLater();
        m_effect = nullptr;
    }
}

void QtWaveAudio::finishPlay(quint64 generation)
{
    if (generation != m_playGeneration || !m_playing)
        return;
    endPlaying();
    notifyPlayFinished();
}

void QtWaveAudio::play()
{
    endRecording(false);
    endPlaying();
    const std::optional<Wav::Info> info =
        m_file.isEmpty() ? std::nullopt : Wav::readInfoFromFile(m_file);
    if (!info || !canPlay()) {
        notifyPlayFinished();
        return;
    }
    const quint64 generation = m_playGeneration;
    m_playing = true;
    m_effect = new QSoundEffect(QMediaDevices::defaultAudioOutput(), this);
    connect(m_effect, &QSoundEffect::playingChanged, this, [this, generation] {
        if (m_effect && !m_effect->isPlaying() && m_effect->status() != QSoundEffect::Loading)
            finishPlay(generation);
    });
    connect(m_effect, &QSoundEffect::statusChanged, this, [this, generation] {
        if (m_effect && m_effect->status() == QSoundEffect::Error)
            finishPlay(generation);
    });
    connect(&m_playWatchdog, &QTimer::timeout, this,
            [this, generation] { finishPlay(generation); });
    m_playWatchdog.start(int(qMin<qint64>(info->durationMs(), MaxRecordingMs)) + PlayGraceMs);
    m_effect->setSource(QUrl::fromLocalFile(m_file));
    m_effect->play();
}

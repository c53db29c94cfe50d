#pragma once

#include "seams/dialogs.h"

#include <QFileInfo>
#include <QString>
#include <functional>

// Plays and records the spoken prompts, one named WAV file at a time; a silent implementation
// stands in without a sound device.
class WaveAudio
{
public:
    virtual ~WaveAudio() = default;

    // Names the file that play, record and save work on; true when it exists.
    virtual bool open(const QString &fileName) = 0;
    // Ends playing and recording; a recording not yet saved is dropped.
    virtual void close() = 0;
    // Starts playing the open file and returns at once; playFinished follows, also when
    // nothing could be played.
    virtual void play() = 0;
    virtual void record() = 0;
    // Ends recording (kept for save) or playing.
    virtual void stop() = 0;
    // Writes the last recording as a WAV file; false when there is none or writing failed.
    virtual bool save(const QString &fileName) = 0;
    virtual bool isRecording() const = 0;
    virtual bool canRecord() const = 0;
    virtual bool canPlay() const = 0;
    // Why prompts cannot be recorded or played here; empty when both work.
    virtual QString unavailableReason() const = 0;

    bool isSilent() const { return !canRecord() && !canPlay(); }

    // The measurement's path: plays a stored prompt when its file exists, else stays silent.
    bool playIfExists(const QString &fileName)
    {
        close();
        if (fileName.isEmpty() || !QFileInfo(fileName).isFile())
            return false;
        open(fileName);
        play();
        return true;
    }

    // Tells the operator once per run why sound is unavailable; true when it is available.
    bool noticeUnavailableOnce(Dialogs &dialogs)
    {
        const QString reason = unavailableReason();
        if (reason.isEmpty())
            return true;
        if (!m_noticeShown) {
            m_noticeShown = true;
            dialogs.message(reason, Dialogs::DefaultTitle, Dialogs::Buttons::Ok,
                            Dialogs::Icon::Information, Dialogs::Answer::Ok);
        }
        return false;
    }

    // Told when a play ends, so prompts can be played one after the other.
    std::function<void()> playFinished;

protected:
    void notifyPlayFinished()
    {
        if (playFinished)
            playFinished();
    }

private:
    bool m_noticeShown = false;
};

// No sound at all: every play ends at once and nothing is recorded.
class SilentAudio final : public WaveAudio
{
public:
    bool open(const QString &fileName) override
    {
        m_file = fileName;
        return QFileInfo::exists(fileName);
    }
    void close() override { m_file.clear(); }
    void play() override { notifyPlayFinished(); }
    void record() override {}
    void stop() override {}
    bool save(const QString &) override { return false; }
    bool isRecording() const override { return false; }
    bool canRecord() const override { return false; }
    bool canPlay() const override { return false; }
    QString unavailableReason() const override
    {
        return QStringLiteral("Sound is not available in this program: spoken prompts are neither "
                              "recorded nor played.");
    }

private:
    QString m_file;
};

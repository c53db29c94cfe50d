#pragma once

#include "seams/clock.h"
#include "seams/dialogs.h"
#include "seams/event_pump.h"
#include "seams/serial_link.h"
#include "seams/shell_view.h"
#include "seams/wave_audio.h"

#include <QFile>
#include <QList>
#include <QMap>
#include <QQueue>
#include <functional>

// Records every text shown and answers from queues (default answer when a queue is empty).
class FakeDialogs final : public Dialogs
{
public:
    struct Shown
    {
        QString text, title;
        Buttons buttons;
        Icon icon;
    };
    Answer message(const QString &text, const QString &title, Buttons buttons, Icon icon,
                   Answer defaultAnswer) override
    {
        shown.append({text, title, buttons, icon});
        return answers.isEmpty() ? defaultAnswer : answers.dequeue();
    }
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &defaultText) override
    {
        inputs << prompt + QLatin1Char('|') + title + QLatin1Char('|') + defaultText;
        return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.dequeue();
    }
    std::optional<QString> openFileName(const FileRequest &request) override
    {
        return saveFileName(request);
    }
    std::optional<QString> saveFileName(const FileRequest &request) override
    {
        fileRequests << request;
        return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.dequeue();
    }
    QStringList texts() const
    {
        QStringList out;
        for (const Shown &s : shown)
            out << s.text;
        return out;
    }
    void clear()
    {
        shown.clear();
        inputs.clear();
    }

    QList<Shown> shown;
    QQueue<Answer> answers;
    QQueue<std::optional<QString>> inputAnswers;
    QQueue<std::optional<QString>> fileAnswers;
    QStringList inputs; // prompt, title and default text of each input box, joined by "|"
    QList<FileRequest> fileRequests;
};

// Virtual time: DelayMs advances it at once.
class FakeClock final : public Clock
{
public:
    qint64 nowMs() const override { return m_now; }
    void delayMs(int ms) override { advance(ms); }
    void advance(qint64 ms) { m_now += ms; }

private:
    qint64 m_now = 0;
};

// Each pass of a cooperative wait advances virtual time and runs an optional hook.
class FakePump final : public EventPump
{
public:
    explicit FakePump(FakeClock &clock) : m_clock(clock) {}
    void processEvents() override
    {
        ++passes;
        if (onPass)
            onPass(passes);
        m_clock.advance(10);
    }
    int passes = 0;
    std::function<void(int)> onPass;

private:
    FakeClock &m_clock;
};

// A link that records what the host writes and answers single commands from a table.
class FakeSerialLink final : public SoftSerialLink
{
public:
    bool open() override
    {
        if (failOpen)
            return false;
        ++opens;
        return m_open = true;
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
        m_in += replies.value(bytes);
    }
    QByteArray readAll() override { return std::exchange(m_in, {}); }
    int bytesPending() override { return static_cast<int>(m_in.size()); }
    void discardPending() override { m_in.clear(); }

    QList<QByteArray> written;
    QStringList writtenAtSettings;
    QMap<QByteArray, QByteArray> replies;
    bool failOpen = false;
    int opens = 0;

private:
    QByteArray m_in;
};

// Records what the shell asked the window to do.
class FakeShellView final : public ShellView
{
public:
    void showMainWindow() override { ++shown; }
    void showAbout(const QString &text) override { aboutText = text; }
    bool showHelp(const QString &file) override
    {
        helpFile = file;
        return true;
    }
    void closeHelp() override { ++helpCloses; }
    void quit() override { ++quits; }
    int shown = 0, helpCloses = 0, quits = 0;
    QString aboutText, helpFile;
};

// A sound device on files: a saved take is a small file that names the take, so a test can tell
// one recording from another.
class FakeWaveAudio final : public WaveAudio
{
public:
    bool open(const QString &fileName) override
    {
        m_file = fileName;
        return QFile::exists(fileName);
    }
    void close() override
    {
        m_recording = m_hasTake = false;
        m_file.clear();
    }
    void play() override
    {
        played << m_file;
        if (finishAtOnce || !output)
            notifyPlayFinished();
    }
    void record() override
    {
        // The working prompt must already be gone when a new take starts.
        staleFileAtRecord = QFile::exists(m_file);
        m_recording = input;
    }
    void stop() override
    {
        m_hasTake = m_hasTake || m_recording;
        m_recording = false;
    }
    bool save(const QString &fileName) override
    {
        stop();
        QFile f(fileName);
        if (!std::exchange(m_hasTake, false) || !f.open(QIODevice::WriteOnly))
            return false;
        return f.write("take " + QByteArray::number(++takes)) > 0;
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

    bool input = true, output = true, finishAtOnce = false, staleFileAtRecord = false;
    int takes = 0;
    QStringList played;

private:
    QString m_file;
    bool m_recording = false, m_hasTake = false;
};

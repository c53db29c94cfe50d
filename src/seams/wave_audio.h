#pragma once

#include <QString>

// Plays and records the spoken prompts; a silent implementation stands in without a sound device.
class WaveAudio
{
public:
    virtual ~WaveAudio() = default;
    virtual bool open(const QString &fileName) = 0;
    virtual void close() = 0;
    virtual void play() = 0;
    virtual void record() = 0;
    virtual void stop() = 0;
    virtual bool save(const QString &fileName) = 0;
    virtual bool isSilent() const = 0;
};

class SilentAudio final : public WaveAudio
{
public:
    bool open(const QString &fileName) override
    {
        m_file = fileName;
        return true;
    }
    void close() override { m_file.clear(); }
    void play() override {}
    void record() override {}
    void stop() override {}
    bool save(const QString &) override { return false; }
    bool isSilent() const override { return true; }

private:
    QString m_file;
};

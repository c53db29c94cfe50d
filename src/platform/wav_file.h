#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Raw sample layout of a recording: what a WAV header describes.
struct PcmFormat
{
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0; // 8 (unsigned), 16, 24, 32
    bool isFloat = false;  // 32-bit IEEE float samples

    int bytesPerFrame() const { return channels * (bitsPerSample / 8); }
    bool isValid() const
    {
        return sampleRate > 0 && channels > 0 && bitsPerSample % 8 == 0 && bitsPerSample >= 8 &&
               bitsPerSample <= 32 && (!isFloat || bitsPerSample == 32);
    }
    bool operator==(const PcmFormat &) const = default;
};

// The RIFF WAVE container around raw samples, as every player reads it.
namespace Wav {
// The header for `dataBytes` bytes of samples: RIFF, fmt (and fact for float samples), data.
QByteArray header(const PcmFormat &format, quint32 dataBytes);
// Header, samples and the pad byte of an odd data chunk.
QByteArray fileBytes(const PcmFormat &format, const QByteArray &samples);
// Writes through the save path; throws FileError naming the file.
void write(const QString &path, const PcmFormat &format, const QByteArray &samples);

struct Info
{
    PcmFormat format;
    quint32 dataBytes = 0;
    qint64 durationMs() const;
};
// Format and sample count of a WAV file; empty when it is not a readable PCM or float WAV.
std::optional<Info> readInfo(const QByteArray &bytes);
std::optional<Info> readInfoFromFile(const QString &path);
} // namespace Wav

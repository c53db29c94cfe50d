#include "wav_file.h"

#include "data/text_out.h"

#include <QFile>
#include <QtEndian>

namespace Wav {

namespace {
constexpr quint16 FormatPcm = 1;
constexpr quint16 FormatFloat = 3;

void put32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void put16(QByteArray &out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

quint32 get32(const QByteArray &in, qsizetype at)
{
    return qFromLittleEndian<quint32>(in.constData() + at);
}

quint16 get16(const QByteArray &in, qsizetype at)
{
    return qFromLittleEndian<quint16>(in.constData() + at);
}
} // namespace

QByteArray header(const PcmFormat &f, quint32 dataBytes)
{
    // Float samples need the extended fmt chunk and a fact chunk with the frame count.
    const bool fl = f.isFloat;
    const quint32 fmtSize = fl ? 18 : 16;
    const quint32 factSize = fl ? 12 : 0;
    const quint32 pad = dataBytes % 2;
    QByteArray out;
    out.reserve(64);
    out.append("RIFF", 4);
    put32(out, 4 + (8 + fmtSize) + factSize + 8 + dataBytes + pad);
    out.append("WAVE", 4);
    out.append("fmt ", 4);
    put32(out, fmtSize);
    put16(out, fl ? FormatFloat : FormatPcm);
    put16(out, quint16(f.channels));
    put32(out, quint32(f.sampleRate));
    put32(out, quint32(f.sampleRate) * quint32(f.bytesPerFrame()));
    put16(out, quint16(f.bytesPerFrame()));
    put16(out, quint16(f.bitsPerSample));
    if (fl) {
        put16(out, 0);
        out.append("fact", 4);
        put32(out, 4);
        put32(out, f.bytesPerFrame() > 0 ? dataBytes / quint32(f.bytesPerFrame()) : 0);
    }
    out.append("data", 4);
    put32(out, dataBytes);
    return out;
}

QByteArray fileBytes(const PcmFormat &format, const QByteArray &samples)
{
    QByteArray out = header(format, quint32(samples.size()));
    out += samples;
    if (samples.size() % 2)
        out.append('\0');
    return out;
}

void write(const QString &path, const PcmFormat &format, const QByteArray &samples)
{
    saveText(path, fileBytes(format, samples));
}

qint64 Info::durationMs() const
{
    const qint64 bytesPerSecond = qint64(format.sampleRate) * format.bytesPerFrame();
    return bytesPerSecond > 0 ? qint64(dataBytes) * 1000 / bytesPerSecond : 0;
}

std::optional<Info> readInfo(const QByteArray &bytes)
{
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return std::nullopt;
    Info info;
    bool haveFormat = false;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = get32(bytes, at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt ") {
            if (size < 16 || body + 16 > bytes.size())
                return std::nullopt;
            const quint16 tag = get16(bytes, body);
            if (tag != FormatPcm && tag != FormatFloat)
                return std::nullopt;
            info.format.channels = get16(bytes, body + 2);
            info.format.sampleRate = int(get32(bytes, body + 4));
            info.format.bitsPerSample = get16(bytes, body + 14);
            info.format.isFloat = tag == FormatFloat;
            if (!info.format.isValid() || get16(bytes, body + 12) != info.format.bytesPerFrame() ||
                get32(bytes, body + 8) !=
                    quint32(info.format.sampleRate) * quint32(info.format.bytesPerFrame()))
                return std::nullopt;
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat || body + qint64(size) > bytes.size())
                return std::nullopt;
            info.dataBytes = size;
            return info;
        }
        at = body + qint64(size) + (size % 2);
    }
    return std::nullopt;
}

std::optional<Info> readInfoFromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return readInfo(file.readAll());
}

} // namespace Wav

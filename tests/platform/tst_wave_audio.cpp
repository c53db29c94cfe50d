#include "platform/qt_wave_audio.h"
#include "platform/wav_file.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QtEndian>
#include <cmath>

class TestWaveAudio : public QObject
{
    Q_OBJECT
private slots:
    void headerDescribesTheSamples_data();
    void headerDescribesTheSamples();
    void damagedFilesAreNotRead_data();
    void damagedFilesAreNotRead();
    void qtDecoderReadsTheWrittenFile();
    void withoutAFileNothingWaits();
    void recordsAndPlaysTheDefaultDevices();
};

namespace {
// One RIFF chunk as a player sees it.
struct Chunk
{
    QByteArray id;
    QByteArray body;
};

// Splits a RIFF WAVE file into its chunks the way any reader walks it; fails the test on a
// size that does not add up.
QList<Chunk> chunksOf(const QByteArray &file)
{
    QList<Chunk> chunks;
    if (file.size() < 12 || file.left(4) != "RIFF" || file.mid(8, 4) != "WAVE")
        return chunks;
    if (qFromLittleEndian<quint32>(file.constData() + 4) != quint32(file.size() - 8))
        return chunks;
    qsizetype at = 12;
    while (at + 8 <= file.size()) {
        const quint32 size = qFromLittleEndian<quint32>(file.constData() + at + 4);
        chunks.append({file.mid(at, 4), file.mid(at + 8, size)});
        at += 8 + size + (size % 2);
    }
    if (at != file.size())
        chunks.clear();
    return chunks;
}

// `frames` frames of samples that change from byte to byte.
QByteArray pcm(const PcmFormat &f, int frames)
{
    QByteArray out(frames * f.bytesPerFrame(), 0);
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = char(i * 7 % 251);
    return out;
}
} // namespace

void TestWaveAudio::headerDescribesTheSamples_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("isFloat");
    QTest::addColumn<int>("frames");
    // clang-format off
    QTest::newRow("8 kHz mono 8-bit, odd length") << 8000 << 1 << 8 << false << 801;
    QTest::newRow("44.1 kHz stereo 16-bit") << 44100 << 2 << 16 << false << 4410;
    QTest::newRow("48 kHz mono float") << 48000 << 1 << 32 << true << 4800;
    QTest::newRow("no samples") << 16000 << 1 << 16 << false << 0;
    // clang-format on
}

void TestWaveAudio::headerDescribesTheSamples()
{
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(bool, isFloat);
    QFETCH(int, frames);
    const PcmFormat format{rate, channels, bits, isFloat};
    const QByteArray samples = pcm(format, frames);
    const QByteArray file = Wav::fileBytes(format, samples);
    QCOMPARE(file.size() % 2, 0);

    const QList<Chunk> chunks = chunksOf(file);
    QStringList ids;
    for (const Chunk &c : chunks)
        ids << QString::fromLatin1(c.id);
    QCOMPARE(ids, isFloat ? QStringList({"fmt ", "fact", "data"}) : QStringList({"fmt ", "data"}));
    // Format, rate and sizes are checked by the reader: a byte rate or block size that does not
    // add up is refused.
    if (isFloat)
        QCOMPARE(qFromLittleEndian<quint32>(chunks.at(1).body.constData()), quint32(frames));
    QCOMPARE(chunks.last().body, samples);

    const std::optional<Wav::Info> info = Wav::readInfo(file);
    QVERIFY(info && info->format == format);
    QCOMPARE(info->dataBytes, quint32(samples.size()));
    QVERIFY(std::abs(info->durationMs() - frames * 1000.0 / rate) <= 1.0);
}

void TestWaveAudio::damagedFilesAreNotRead_data()
{
    const PcmFormat format{8000, 1, 16, false};
    const QByteArray good = Wav::fileBytes(format, pcm(format, 100));
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readable");
    QByteArray listFirst = good.left(12) + QByteArray("LIST\x04\0\0\0abcd", 12) + good.mid(12);
    qToLittleEndian<quint32>(quint32(listFirst.size() - 8), listFirst.data() + 4);
    QByteArray wrongRate = good;
    qToLittleEndian<quint32>(12345, wrongRate.data() + 28); // bytes per second
    QByteArray adpcm = good;
    qToLittleEndian<quint16>(2, adpcm.data() + 20);
    // clang-format off
    QTest::newRow("as written") << good << true;
    QTest::newRow("other chunk before fmt") << listFirst << true;
    QTest::newRow("cut in the samples") << good.left(good.size() - 10) << false;
    QTest::newRow("cut in the header") << good.left(30) << false;
    QTest::newRow("not RIFF") << QByteArray("RIFX") + good.mid(4) << false;
    QTest::newRow("byte rate does not add up") << wrongRate << false;
    QTest::newRow("compressed") << adpcm << false;
    // clang-format on
}

void TestWaveAudio::damagedFilesAreNotRead()
{
    QFETCH(QByteArray, bytes);
    QTEST(Wav::readInfo(bytes).has_value(), "readable");
}

void TestWaveAudio::qtDecoderReadsTheWrittenFile()
{
    QTemporaryDir dir;
    const PcmFormat format{22050, 1, 16, false};
    const QString path = dir.filePath("tone.wav");
    Wav::write(path, format, pcm(format, 2205));
    QSoundEffect effect;
    effect.setSource(QUrl::fromLocalFile(path));
    QTRY_VERIFY_WITH_TIMEOUT(
        effect.status() != QSoundEffect::Loading && effect.status() != QSoundEffect::Null, 5000);
    if (effect.status() == QSoundEffect::Error && QMediaDevices::defaultAudioOutput().isNull())
        QSKIP("Qt decodes sound effects only with an audio output device; none is present.");
    QCOMPARE(effect.status(), QSoundEffect::Ready);
}

void TestWaveAudio::withoutAFileNothingWaits()
{
    QtWaveAudio audio;
    int finished = 0;
    audio.playFinished = [&finished] { ++finished; };
    QTemporaryDir dir;
    audio.open(dir.filePath("missing.wav"));
    audio.play();
    QCOMPARE(finished, 1); // a missing prompt ends at once
    QVERIFY(!audio.isPlaying());
    QVERIFY(!audio.save(dir.filePath("nothing.wav"))); // no take, no file
    QVERIFY(!QFile::exists(dir.filePath("nothing.wav")));
    QVERIFY(!audio.playIfExists(dir.filePath("missing.wav")));
    QCOMPARE(finished, 1);
    QCOMPARE(audio.unavailableReason().isEmpty(), audio.canRecord() && audio.canPlay());
}

// A take in the input device's own rate and channels, saved while it runs, then played.
void TestWaveAudio::recordsAndPlaysTheDefaultDevices()
{
    QtWaveAudio audio;
    if (!audio.canRecord())
        QSKIP("No audio input device: a real recording cannot be made here.");
    QTemporaryDir dir;
    const QString path = dir.filePath("take.wav");
    audio.open(path);
    audio.record();
    QVERIFY(audio.isRecording());
    QTest::qWait(400);
    QVERIFY(audio.save(path));
    QVERIFY(!audio.isRecording());
    QVERIFY(!audio.save(path)); // the take was used
    const std::optional<Wav::Info> take = Wav::readInfoFromFile(path);
    QVERIFY(take && take->dataBytes > 0);
    QCOMPARE(take->dataBytes % quint32(take->format.bytesPerFrame()), 0u);
    const QAudioFormat device = QMediaDevices::defaultAudioInput().preferredFormat();
    QCOMPARE(take->format.sampleRate, device.sampleRate());
    QCOMPARE(take->format.channels, device.channelCount());
    if (!audio.canPlay())
        QSKIP("No audio output device: the take cannot be played back here.");
    int finished = 0;
    audio.playFinished = [&finished] { ++finished; };
    QVERIFY(audio.playIfExists(path) && audio.isPlaying());
    QTRY_COMPARE_WITH_TIMEOUT(finished, 1, 400 + QtWaveAudio::PlayGraceMs + 1000);
    QVERIFY(!audio.isPlaying());
}

QTEST_GUILESS_MAIN(TestWaveAudio)
#include "tst_wave_audio.moc"

// Records parsed per second, and a 115200-baud emulator stream through a real pseudo-terminal
// into the parser: characters and records per second against the line's limit, and losses.
#include "digitizer/emulator/digitizer_emulator.h"
#include "digitizer/record_parser.h"
#include "platform/qserial_link.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace {
void parseRate()
{
    DigitizerEmulator emu({DigitizerEmulator::Model::Fastrak, 3, 0.08, 1});
    emu.receive("u", 0);
    QList<QString> records;
    for (int i = 0; i < 1000; ++i)
        records << QString::fromLatin1(emu.record());
    Transform4 r, p;
    double sink = 0;
    QElapsedTimer t;
    t.start();
    int parsed = 0;
    while (t.elapsed() < 2000) {
        for (const QString &rec : records) {
            for (int sensor = 1; sensor <= 3; ++sensor) {
                Records::ParseDigitizerRecord(DigitizerModel::Fastrak, rec, sensor, 1, r, p);
                sink += p(0, 3);
            }
            ++parsed;
        }
    }
    std::printf("parse: %.0f FASTRAK records/s (three stations each), checksum %.3f\n",
                parsed * 1000.0 / t.elapsed(), sink);
}

void streamThroughPty(int seconds)
{
    QTemporaryDir dir;
    const QString device = dir.filePath("dig"), logOut = dir.filePath("out.log"),
                  script = dir.filePath("s");
    QFile s(script);
    s.open(QIODevice::WriteOnly);
    s.write(QStringLiteral("wait 500\nwait %1\nwait 500\nquit\n").arg(seconds * 1000).toLatin1());
    s.close();
    QProcess sim;
    sim.start(QStringLiteral(POINTRA_SIMDIG), {"--model", "fastrak", "--link", device, "--log-out",
                                               logOut, "--script", script, "--receivers", "3"});
    if (!sim.waitForReadyRead(5000)) {
        std::printf("stream: pointra-simdig did not start\n");
        return;
    }
    qputenv("POINTRA_COMM1", device.toLocal8Bit());
    QSerialLink link;
    link.setCommPort(1);
    link.setSettings("19200,n,8,1");
    link.open();
    link.write("u");
    link.write("o1152,N,8,0\r"); // both ends to 115200, as Setup > Baude Rate does
    link.close();
    link.setSettings("115200,n,8,1");
    link.open();
    link.write("C"); // continuous output for the measured seconds
    QByteArray buffer;
    int records = 0, bad = 0;
    qint64 chars = 0;
    Transform4 r, p;
    QElapsedTimer t;
    t.start();
    while (sim.state() != QProcess::NotRunning && t.elapsed() < (seconds + 5) * 1000) {
        QCoreApplication::processEvents();
        buffer += link.readAll();
        qsizetype end;
        while (buffer.size() >= traitsOf(DigitizerModel::Fastrak).layout.length &&
               (end = buffer.indexOf("\r\n0", 290)) >= 0) {
            const QByteArray rec = buffer.left(end + 2);
            buffer.remove(0, end + 2);
            chars += rec.size();
            if (rec.size() == traitsOf(DigitizerModel::Fastrak).layout.length &&
                Records::ParseDigitizerRecord(DigitizerModel::Fastrak, QString::fromLatin1(rec), 3,
                                              1, r, p))
                ++records;
            else
                ++bad;
        }
        QThread::msleep(2);
        sim.waitForFinished(0);
    }
    buffer += link.readAll();
    if (buffer.size() == traitsOf(DigitizerModel::Fastrak).layout.length) {
        ++records;
        chars += buffer.size();
    }
    const qint64 sent = QFile(logOut).size();
    const int sentRecords =
        static_cast<int>(sent / traitsOf(DigitizerModel::Fastrak).layout.length);
    std::printf(
        "stream at 115200 baud for %d s: %d records parsed of %d sent (%d lost, %d malformed); "
        "%.1f records/s, %.0f characters/s against a line limit of 11520 characters/s\n",
        seconds, records, sentRecords, sentRecords - records, bad, records / double(seconds),
        chars / double(seconds));
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    parseRate();
    streamThroughPty(5);
    return 0;
}

#include "data/settings_file.h"
#include "data/workspace.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void missingFileChangesNothing();
    void tenMegabyteLine();
    void writeExactBytes();
    void readOnlyFileIsNotReplaced();
    void roundTrip();
};

void TestSettingsFile::read_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("system");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("hemisphere");

    QTest::newRow("full")
        << QByteArray("Digitizer Type=FASTRAK\r\nCoordinate System=BESA\r\n"
                      "Decimal Point=Comma\r\nHemisphere=0,0,-1\r\nnCommPort= 2\r\nSound=ON\r\n")
        << "FASTRAK"
        << "BESA" << 2 << "0,0,-1";
    QTest::newRow("port without blank") << QByteArray("nCommPort=3\r\n") << ""
                                        << "" << 3 << "";
    QTest::newRow("port with blank") << QByteArray("nCommPort= 3\r\n") << ""
                                     << "" << 3 << "";
    QTest::newRow("port rounds") << QByteArray("nCommPort=2.6\n") << ""
                                 << "" << 3 << "";
    QTest::newRow("wrong key case ignored") << QByteArray("digitizer type=FASTRAK\r\n") << ""
                                            << "" << 0 << "";
    QTest::newRow("duplicate key takes last")
        << QByteArray("Digitizer Type=ISOTRAK\r\nDigitizer Type=PATRIOT\r\n") << "PATRIOT"
        << "" << 0 << "";
    QTest::newRow("lines without equals ignored")
        << QByteArray("garbage line\r\nDigitizer Type=FASTRAK\r\nmore garbage\r\n") << "FASTRAK"
        << "" << 0 << "";
    QTest::newRow("comments skipped")
        << QByteArray("//Digitizer Type=ISOTRAK\r\n%OHemisphere=1,0,0\r\n") << ""
        << "" << 0 << "";
    QTest::newRow("value keeps later equals") << QByteArray("Hemisphere=a=b\r\n") << ""
                                              << "" << 0 << "a=b";
    QTest::newRow("lf only") << QByteArray("Digitizer Type=ISOTRAK\nCoordinate System=Curry\n")
                             << "ISOTRAK"
                             << "Curry" << 0 << "";
    QTest::newRow("cr only") << QByteArray("Digitizer Type=ISOTRAK\rnCommPort=4\r") << "ISOTRAK"
                             << "" << 4 << "";
    QTest::newRow("binary bytes") << QByteArray("\x00\x01\xff\xfe=\x80\r\nnCommPort=1\r\n", 21)
                                  << ""
                                  << "" << 1 << "";
    QTest::newRow("trailing blank kept in value")
        << QByteArray("Digitizer Type=FASTRAK \r\n") << "FASTRAK "
        << "" << 0 << "";
    QTest::newRow("empty file") << QByteArray() << ""
                                << "" << 0 << "";
    QTest::newRow("port overflow") << QByteArray("nCommPort=1e12\r\n") << ""
                                   << "" << 0 << "";
}

void TestSettingsFile::read()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, type);
    QFETCH(QString, system);
    QFETCH(int, port);
    QFETCH(QString, hemisphere);
    QTemporaryDir dir;
    const QString path = dir.filePath("pointra.ini");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(ini);
    f.close();
    Settings s;
    SettingsFile::read(path, s);
    QCOMPARE(s.DigitizerType, type);
    QCOMPARE(s.CoordinateSystem, system);
    QCOMPARE(s.CommPort, port);
    QCOMPARE(s.Hemisphere, hemisphere);
}

void TestSettingsFile::missingFileChangesNothing()
{
    Settings s;
    s.DigitizerType = QStringLiteral("ISOTRAK");
    QTemporaryDir dir;
    SettingsFile::read(dir.filePath("absent.ini"), s);
    SettingsFile::read(dir.path(), s); // a folder in place of the file
    QCOMPARE(s.DigitizerType, QStringLiteral("ISOTRAK"));
}

void TestSettingsFile::tenMegabyteLine()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pointra.ini");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("Sound=" + QByteArray(10 * 1024 * 1024, 'x') + "\r\nDigitizer Type=FASTRAK\r\n");
    f.close();
    Settings s;
    SettingsFile::read(path, s);
    QCOMPARE(s.SoundSetting.size(), 10 * 1024 * 1024);
    QCOMPARE(s.DigitizerType, QStringLiteral("FASTRAK"));
}

void TestSettingsFile::writeExactBytes()
{
    Settings s{"FASTRAK", "TEVO", "Period", "0,0,1", 2, "OFF"};
    QCOMPARE(
        SettingsFile::text(s),
        QByteArray("Digitizer Type=FASTRAK\r\nCoordinate System=TEVO\r\nDecimal Point=Period\r\n"
                   "Hemisphere=0,0,1\r\nnCommPort= 2\r\nSound=OFF\r\n"));
    s.CommPort = -1;
    QVERIFY(SettingsFile::text(s).contains("\r\nnCommPort=-1\r\n"));
}

void TestSettingsFile::readOnlyFileIsNotReplaced()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pointra.ini");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("Digitizer Type=ISOTRAK\r\n");
    f.close();
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser));
    Settings s{"FASTRAK", "TEVO", "Period", "0,0,1", 2, "OFF"};
    QString error;
    QVERIFY(!SettingsFile::write(path, s, error));
    QVERIFY(!error.isEmpty());
    Settings back;
    SettingsFile::read(path, back);
    QCOMPARE(back.DigitizerType, QStringLiteral("ISOTRAK"));
    QVERIFY(!SettingsFile::write(dir.filePath("missing/folder/pointra.ini"), s, error));
}

void TestSettingsFile::roundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pointra.ini");
    const Settings s{"PATRIOT", "Curry", "Comma", "-1,0,0", 4, "ON"};
    QString error;
    QVERIFY(SettingsFile::write(path, s, error));
    Settings back;
    SettingsFile::read(path, back);
    QCOMPARE(back.DigitizerType, s.DigitizerType);
    QCOMPARE(back.CoordinateSystem, s.CoordinateSystem);
    QCOMPARE(back.DecimalPoint, s.DecimalPoint);
    QCOMPARE(back.Hemisphere, s.Hemisphere);
    QCOMPARE(back.CommPort, s.CommPort);
    QCOMPARE(back.SoundSetting, s.SoundSetting);
}

QTEST_APPLESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"

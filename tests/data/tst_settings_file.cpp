#include "data/settings_file.h"
#include "data/workspace.h"
#include "fixtures.h"

#include <QFile>
#include <QTest>

using Fixtures::Home;

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void unreadableAndUnwritableFiles();
    void writtenText();
};

void TestSettingsFile::read_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("system");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("hemisphere");

    // clang-format off
    QTest::newRow("full") << QByteArray("Digitizer Type=FASTRAK\r\nCoordinate System=BESA\r\nDecimal Point=Comma\r\nHemisphere=0,0,-1\r\nnCommPort= 2\r\nSound=ON\r\n") << "FASTRAK" << "BESA" << 2 << "0,0,-1";
    QTest::newRow("port without blank") << QByteArray("nCommPort=3\r\n") << "No Digitizer" << "" << 3 << "";
    QTest::newRow("port rounds") << QByteArray("nCommPort=2.6\n") << "No Digitizer" << "" << 3 << "";
    QTest::newRow("wrong key case ignored") << QByteArray("digitizer type=FASTRAK\r\n") << "No Digitizer" << "" << 0 << "";
    QTest::newRow("duplicate key takes last") << QByteArray("Digitizer Type=ISOTRAK\r\nDigitizer Type=PATRIOT\r\n") << "PATRIOT" << "" << 0 << "";
    QTest::newRow("lines without equals ignored") << QByteArray("garbage line\r\nDigitizer Type=FASTRAK\r\nmore garbage\r\n") << "FASTRAK" << "" << 0 << "";
    QTest::newRow("comments skipped") << QByteArray("//Digitizer Type=ISOTRAK\r\n%OHemisphere=1,0,0\r\n") << "No Digitizer" << "" << 0 << "";
    QTest::newRow("value keeps later equals") << QByteArray("Hemisphere=a=b\r\n") << "No Digitizer" << "" << 0 << "a=b";
    QTest::newRow("cr only") << QByteArray("Digitizer Type=ISOTRAK\rnCommPort=4\r") << "ISOTRAK" << "" << 4 << "";
    QTest::newRow("binary bytes") << QByteArray("\x00\x01\xff\xfe=\x80\r\nnCommPort=1\r\n", 21) << "No Digitizer" << "" << 1 << "";
    QTest::newRow("model text with a trailing blank is no model") << QByteArray("Digitizer Type=FASTRAK \r\n") << "No Digitizer" << "" << 0 << "";
    QTest::newRow("empty file") << QByteArray() << "No Digitizer" << "" << 0 << "";
    QTest::newRow("port overflow") << QByteArray("nCommPort=1e12\r\n") << "No Digitizer" << "" << 0 << "";
    // clang-format on
}

void TestSettingsFile::read()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, type);
    QFETCH(QString, system);
    QFETCH(int, port);
    QFETCH(QString, hemisphere);
    Home home;
    Settings s;
    SettingsFile::read(home.write("pointra.ini", ini), s);
    QCOMPARE(traitsOf(s.Digitizer).name, type);
    QCOMPARE(s.CoordinateSystem, system);
    QCOMPARE(s.CommPort, port);
    QCOMPARE(s.Hemisphere, hemisphere);
}

void TestSettingsFile::unreadableAndUnwritableFiles()
{
    Settings s;
    s.Digitizer = DigitizerModel::Isotrak;
    Home home;
    SettingsFile::read(home.path("absent.ini"), s);
    SettingsFile::read(home.path(), s); // a folder in place of the file
    QCOMPARE(s.Digitizer, DigitizerModel::Isotrak);
    const QByteArray sound = QByteArray(10 * 1024 * 1024, 'x');
    SettingsFile::read(
        home.write("pointra.ini", "Sound=" + sound + "\r\nDigitizer Type=FASTRAK\r\n"), s);
    QCOMPARE(s.SoundSetting, QString::fromLatin1(sound));
    QCOMPARE(s.Digitizer, DigitizerModel::Fastrak); // the setting to write below
    // A read-only file is not replaced.
    const QString path = home.write("readonly.ini", "Digitizer Type=ISOTRAK\r\n");
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser));
    QString error;
    QVERIFY(!SettingsFile::write(path, s, error));
    QVERIFY(!error.isEmpty());
    Settings back;
    SettingsFile::read(path, back);
    QCOMPARE(back.Digitizer, DigitizerModel::Isotrak);
    QVERIFY(!SettingsFile::write(home.path("missing/folder/pointra.ini"), s, error));
}

void TestSettingsFile::writtenText()
{
    Settings s{DigitizerModel::Fastrak, "TEVO", "Period", "0,0,1", 2, "OFF"};
    QCOMPARE(
        SettingsFile::text(s),
        QByteArray("Digitizer Type=FASTRAK\r\nCoordinate System=TEVO\r\nDecimal Point=Period\r\n"
                   "Hemisphere=0,0,1\r\nnCommPort= 2\r\nSound=OFF\r\n"));
    s.CommPort = -1;
    QVERIFY(SettingsFile::text(s).contains("\r\nnCommPort=-1\r\n"));
    for (DigitizerModel model :
         {DigitizerModel::Isotrak, DigitizerModel::Patriot, DigitizerModel::NoDigitizer}) {
        Settings back, written{model, "Curry", "Comma", "-1,0,0", 4, "ON"};
        SettingsFile::readText(SettingsFile::text(written), back);
        QCOMPARE(SettingsFile::text(back), SettingsFile::text(written));
    }
}

QTEST_APPLESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"

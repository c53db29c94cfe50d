#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QByteArray Elp =
    "3\t2\r\n1\r\n%N\tName\r\n0\t2\r\n%F\t0.1\t0\t0\r\n%F\t0\t0.07\t0\r\n%F\t0\t-0.07\t0\r\n"
    "%S\t400\r\n%N\tFp1\r\n0.08\t0.03\t0.04\r\n%S\t400\r\n%N\tCz\r\n0\t0\t0.1\r\n";

struct Run
{
    int status;
    QString out, err;
};

class CliRig
{
public:
    CliRig()
    {
        QFile ini(m_home.filePath("pointra.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write(
                "Digitizer Type=FASTRAK\r\nCoordinate System=TEVO\r\nDecimal Point=Period\r\n");
    }
    QString path(const QString &name) const { return m_home.filePath(name); }
    QString write(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path(name);
    }
    QByteArray read(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    Run run(const QStringList &args) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("POINTRA_HOME", m_home.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(POINTRA_CLI), args);
        p.waitForFinished(20000);
        return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
                QString::fromLocal8Bit(p.readAllStandardError())};
    }

private:
    QTemporaryDir m_home;
};
} // namespace

class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void usage_data();
    void usage();
    void showElectrodes();
    void convertToBesaWritesEla();
    void convertRoundTripsBetweenConventions();
    void convertTableAndCurry();
    void roundtripIsByteExact_data();
    void roundtripIsByteExact();
    void refusedInput_data();
    void refusedInput();
};

void TestCli::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::newRow("help") << QStringList{"--help"} << 0;
    QTest::newRow("nothing") << QStringList{} << 2;
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2;
    QTest::newRow("convert without --to") << QStringList{"convert", "a.elp", "b.sfp"} << 2;
    QTest::newRow("bad decimal") << QStringList{"--decimal", "dot", "show", "a.elp"} << 2;
    QTest::newRow("unknown route")
        << QStringList{"convert", "--to", "curry", "--from", "besa", "a.sfp", "b.res"} << 2;
    QTest::newRow("show without file") << QStringList{"show"} << 2;
}

void TestCli::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    CliRig rig;
    const Run r = rig.run(args);
    QCOMPARE(r.status, status);
    QVERIFY((status == 0 ? r.out : r.err).contains("roundtrip FILE OUT"));
}

void TestCli::showElectrodes()
{
    CliRig rig;
    const QString elp = rig.write("e.elp", Elp);
    Run r = rig.run({"show", elp});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.contains("ELECTRODE data\n"));
    QVERIFY(r.out.contains("\nFp1       8.00    3.00    4.00\n"));
    QVERIFY(r.err.contains(" 2 electrodes"));
    r = rig.run({"--decimal", "comma", "show", elp});
    QVERIFY(r.out.contains("Fp1       8,00    3,00    4,00"));
}

void TestCli::convertToBesaWritesEla()
{
    CliRig rig;
    const Run r =
        rig.run({"convert", "--to", "besa", rig.write("e.elp", Elp), rig.path("out.sfp")});
    QCOMPARE(r.status, 0);
    QVERIFY(rig.read("out.sfp").startsWith("LPA       -0.0700  0.0000  0.0000\r\n"));
    QCOMPARE(rig.read("out.ela"), QByteArray("EEG\tFp1     \r\nEEG\tCz      \r\n"));
}

void TestCli::convertRoundTripsBetweenConventions()
{
    CliRig rig;
    QCOMPARE(
        rig.run({"convert", "--to", "besa", rig.write("e.elp", Elp), rig.path("b.sfp")}).status, 0);
    QByteArray sfp = rig.read("b.sfp");
    sfp.replace("LPA     ", "FidT9   ")
        .replace("NZ      ", "FidNz   ")
        .replace("RPA     ", "FidT10  ");
    rig.write("b.sfp", sfp);
    const Run r = rig.run({"convert", "--to", "tevo", rig.path("b.sfp"), rig.path("t.elp")});
    QCOMPARE(r.status, 0);
    // The BESA import reads centimetres: metres written by Pointra come back scaled by 0.01.
    QVERIFY(rig.read("t.elp").contains("%N\tFp1     \r\n0.0008\t0.0003\t0.0004\r\n"));
}

void TestCli::convertTableAndCurry()
{
    CliRig rig;
    const QString table =
        rig.write("t.txt", "FidNz 0 9 0\nFidT9 -7 0 0\nFidT10 7 0 0\nCz 0 0 10\n");
    QCOMPARE(rig.run({"convert", "--to", "tevo", table, rig.path("t.elp")}).status, 0);
    QVERIFY(rig.read("t.elp").contains("%N\tCz      \r\n0.0000\t0.0000\t0.1000\r\n"));
    const Run curry =
        rig.run({"convert", "--to", "curry", rig.write("e.elp", Elp), rig.path("c.res")});
    QCOMPARE(curry.status, 0);
    QVERIFY(rig.read("c.res").startsWith(" 0 30.00 -80.00 40.00 0.0 Fp1\n"));
    const Run back = rig.run({"show", rig.path("c.res")});
    QCOMPARE(back.status, 0);
    QVERIFY(back.out.contains("values are in millimeters"));
    QVERIFY(back.out.contains("PAR\n"));
}

void TestCli::roundtripIsByteExact_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("sequence") << "s.seq" << QByteArray("3\t2\r\n1\r\nNasion\t1\r\nCz\t400\r\n");
    QTest::newRow("shape")
        << "s.hsp"
        << QByteArray("3\t200\r\n//Shape file\r\n//Minor revision number\r\n2\r\n//Subject name\r\n"
                      "%N\tAnna    \r\n//Shape code, number of digitized points\r\n0\t1\r\n"
                      "//Position of fiducials X+, Y+, Y- on the subject\r\n"
                      "%F\t0.1000\t0.0000\t0.0000\r\n%F\t0.0000\t0.0700\t0.0000\r\n"
                      "%F\t0.0000\t-0.0700\t0.0000\r\n"
                      "//No of rows, no of columns; position of digitized points\r\n1\t3\r\n"
                      "0.0100\t0.0200\t0.0300\r\n");
}

void TestCli::roundtripIsByteExact()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    CliRig rig;
    const Run r = rig.run({"roundtrip", rig.write(name, bytes), rig.path("out." + name.right(3))});
    QCOMPARE(r.status, 0);
    QCOMPARE(rig.read("out." + name.right(3)), bytes);
}

void TestCli::refusedInput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("says");
    QTest::newRow("missing file") << QStringList{"show", "/no/such/file.elp"} << "Error number 75";
    QTest::newRow("wrong type") << QStringList{"show", "@bad.elp"} << "wrong file type";
    QTest::newRow("dewar written")
        << QStringList{"roundtrip", "@bad.dwr", "@out.dwr"} << "read, never written";
    QTest::newRow("unwritable output")
        << QStringList{"roundtrip", "@good.seq", "/no/such/dir/out.seq"} << "Cannot write";
}

void TestCli::refusedInput()
{
    QFETCH(QStringList, args);
    QFETCH(QString, says);
    CliRig rig;
    rig.write("bad.elp", "not a pointra file");
    rig.write("bad.dwr", "3\t2\r\n");
    rig.write("good.seq", "3\t2\r\n1\r\nCz\t400\r\n");
    for (QString &a : args)
        if (a.startsWith('@'))
            a = rig.path(a.mid(1));
    const Run r = rig.run(args);
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(says), qPrintable(r.err));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

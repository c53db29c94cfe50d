#include "fixtures.h"

#include <QTest>

using Fixtures::Elp;

namespace {
// A program folder with pointra.ini, and pointra-cli run in it.
struct Cli : Fixtures::Home
{
    Cli() { write("pointra.ini", Fixtures::Ini().text()); }
    Fixtures::Run run(const QStringList &args) const
    {
        return Fixtures::run(POINTRA_CLI, args, {{"POINTRA_HOME", path()}});
    }
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
    // clang-format off
    QTest::newRow("help") << QStringList{"--help"} << 0;
    QTest::newRow("nothing") << QStringList{} << 2;
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2;
    QTest::newRow("convert without --to") << QStringList{"convert", "a.elp", "b.sfp"} << 2;
    QTest::newRow("bad decimal") << QStringList{"--decimal", "dot", "show", "a.elp"} << 2;
    QTest::newRow("unknown route") << QStringList{"convert", "--to", "curry", "--from", "besa", "a.sfp", "b.res"} << 2;
    QTest::newRow("show without file") << QStringList{"show"} << 2;
    // clang-format on
}

void TestCli::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    const Fixtures::Run r = Cli().run(args);
    QCOMPARE(r.status, status);
    QVERIFY((status == 0 ? r.out : r.err).contains("roundtrip FILE OUT"));
}

void TestCli::showElectrodes()
{
    Cli cli;
    const QString elp = cli.write("e.elp", Elp);
    Fixtures::Run r = cli.run({"show", elp});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.contains("ELECTRODE data\n"));
    QVERIFY(r.out.contains("\nFp1       8.00    3.00    4.00\n"));
    QVERIFY(r.err.contains(" 2 electrodes"));
    r = cli.run({"--decimal", "comma", "show", elp});
    QVERIFY(r.out.contains("Fp1       8,00    3,00    4,00"));
}

void TestCli::convertToBesaWritesEla()
{
    Cli cli;
    const Fixtures::Run r =
        cli.run({"convert", "--to", "besa", cli.write("e.elp", Elp), cli.path("out.sfp")});
    QCOMPARE(r.status, 0);
    QVERIFY(cli.read("out.sfp").startsWith("LPA       -0.0700  0.0000  0.0000\r\n"));
    QCOMPARE(cli.read("out.ela"), QByteArray("EEG\tFp1     \r\nEEG\tCz      \r\n"));
}

void TestCli::convertRoundTripsBetweenConventions()
{
    Cli cli;
    QCOMPARE(
        cli.run({"convert", "--to", "besa", cli.write("e.elp", Elp), cli.path("b.sfp")}).status, 0);
    QByteArray sfp = cli.read("b.sfp");
    sfp.replace("LPA     ", "FidT9   ")
        .replace("NZ      ", "FidNz   ")
        .replace("RPA     ", "FidT10  ");
    cli.write("b.sfp", sfp);
    const Fixtures::Run r =
        cli.run({"convert", "--to", "tevo", cli.path("b.sfp"), cli.path("t.elp")});
    QCOMPARE(r.status, 0);
    // The BESA import reads centimetres: metres written by Pointra come back scaled by 0.01.
    QVERIFY(cli.read("t.elp").contains("%N\tFp1     \r\n0.0008\t0.0003\t0.0004\r\n"));
}

void TestCli::convertTableAndCurry()
{
    Cli cli;
    const QString table =
        cli.write("t.txt", "FidNz 0 9 0\nFidT9 -7 0 0\nFidT10 7 0 0\nCz 0 0 10\n");
    QCOMPARE(cli.run({"convert", "--to", "tevo", table, cli.path("t.elp")}).status, 0);
    QVERIFY(cli.read("t.elp").contains("%N\tCz      \r\n0.0000\t0.0000\t0.1000\r\n"));
    const Fixtures::Run curry =
        cli.run({"convert", "--to", "curry", cli.write("e.elp", Elp), cli.path("c.res")});
    QCOMPARE(curry.status, 0);
    QVERIFY(cli.read("c.res").startsWith(" 0 30.00 -80.00 40.00 0.0 Fp1\n"));
    const Fixtures::Run back = cli.run({"show", cli.path("c.res")});
    QCOMPARE(back.status, 0);
    QVERIFY(back.out.contains("values are in millimeters"));
    QVERIFY(back.out.contains("PAR\n"));
}

void TestCli::roundtripIsByteExact_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    // clang-format off
    QTest::newRow("sequence") << "s.seq" << QByteArray("3\t2\r\n1\r\nNasion\t1\r\nCz\t400\r\n");
    QTest::newRow("shape") << "s.hsp" << QByteArray("3\t200\r\n//Shape file\r\n//Minor revision number\r\n2\r\n//Subject name\r\n%N\tAnna    \r\n//Shape code, number of digitized points\r\n0\t1\r\n//Position of fiducials X+, Y+, Y- on the subject\r\n%F\t0.1000\t0.0000\t0.0000\r\n%F\t0.0000\t0.0700\t0.0000\r\n%F\t0.0000\t-0.0700\t0.0000\r\n//No of rows, no of columns; position of digitized points\r\n1\t3\r\n0.0100\t0.0200\t0.0300\r\n");
    // clang-format on
}

void TestCli::roundtripIsByteExact()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    Cli cli;
    const QString out = "out." + name.right(3);
    QCOMPARE(cli.run({"roundtrip", cli.write(name, bytes), cli.path(out)}).status, 0);
    QCOMPARE(cli.read(out), bytes);
}

void TestCli::refusedInput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("says");
    // clang-format off
    QTest::newRow("missing file") << QStringList{"show", "/no/such/file.elp"} << "Error number 75";
    QTest::newRow("wrong type") << QStringList{"show", "@bad.elp"} << "wrong file type";
    QTest::newRow("dewar written") << QStringList{"roundtrip", "@bad.dwr", "@out.dwr"} << "read, never written";
    QTest::newRow("unwritable output") << QStringList{"roundtrip", "@good.seq", "/no/such/dir/out.seq"} << "Cannot write";
    // clang-format on
}

void TestCli::refusedInput()
{
    QFETCH(QStringList, args);
    QFETCH(QString, says);
    Cli cli;
    cli.write("bad.elp", "not a pointra file");
    cli.write("bad.dwr", "3\t2\r\n");
    cli.write("good.seq", "3\t2\r\n1\r\nCz\t400\r\n");
    for (QString &a : args)
        if (a.startsWith('@'))
            a = cli.path(a.mid(1));
    const Fixtures::Run r = cli.run(args);
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(says), qPrintable(r.err));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

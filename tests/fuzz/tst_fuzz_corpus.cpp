#include "fuzz_checks.h"

#include <QDir>
#include <QTest>

// Replays the committed seed and regression corpus of every fuzz target through the same
// checks, with the normal compiler, on every test run.
class TestFuzzCorpus : public QObject
{
    Q_OBJECT
private slots:
    void replay_data();
    void replay();
};

// A target without seeds gets one row that fails.
void TestFuzzCorpus::replay_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("file");
    for (const QString &target : FuzzChecks::targets()) {
        const QDir dir(QStringLiteral(POINTRA_FUZZ_CORPUS "/") + target);
        const QStringList names = dir.entryList(QDir::Files);
        if (names.isEmpty())
            QTest::addRow("%s has no corpus", qPrintable(target)) << target << QString();
        for (const QString &name : names)
            QTest::addRow("%s/%s", qPrintable(target), qPrintable(name))
                << target << dir.filePath(name);
    }
}

void TestFuzzCorpus::replay()
{
    QFETCH(QString, target);
    QFETCH(QString, file);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString problem = FuzzChecks::check(target, f.readAll());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzz_corpus.moc"

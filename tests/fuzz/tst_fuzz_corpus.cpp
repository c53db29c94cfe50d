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
    void everyTargetHasACorpus();
};

void TestFuzzCorpus::replay_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("file");
    const QDir corpus(QStringLiteral(POINTRA_FUZZ_CORPUS));
    for (const QString &target : FuzzChecks::targets())
        for (const QString &name : QDir(corpus.filePath(target)).entryList(QDir::Files))
            QTest::addRow("%s/%s", qPrintable(target), qPrintable(name))
                << target << QDir(corpus.filePath(target)).filePath(name);
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

void TestFuzzCorpus::everyTargetHasACorpus()
{
    const QDir corpus(QStringLiteral(POINTRA_FUZZ_CORPUS));
    for (const QString &target : FuzzChecks::targets())
        QVERIFY2(!QDir(corpus.filePath(target)).entryList(QDir::Files).isEmpty(),
                 qPrintable(target));
}

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzz_corpus.moc"

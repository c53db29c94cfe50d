#include "data/sound_prompts.h"
#include "editor_rig.h"

#include <QDirIterator>
#include <QTest>

class TestSoundPrompts : public QObject
{
    Q_OBJECT
private slots:
    void recordSaveReopenRerecordDelete();
    void switchesFollowSetupSound();
    void promptNamesAreSafeAndDistinct_data();
    void promptNamesAreSafeAndDistinct();
    void playAllPlaysPromptsInOrder();
    void withoutDeviceOneNoticeAndNoRecording();
};

namespace {
const Fixtures::Ini SoundOn{.sound = "ON"};

// A run with sound on whose editor has loaded Data/<name> (five rows, Fp1 on row 4).
void loadFive(EditorRig &rig, const QString &name)
{
    rig.loadProgram(rig.writeSequence(name, {"NZ:1", "LPA:2", "RPA:4", "Fp1:400", "Cz:400"}));
    rig.editor.Form_Load();
}

// Records a take for grid row `row`.
void recordRow(EditorRig &rig, int row)
{
    rig.editor.selectRow(row);
    QVERIFY(rig.editor.commands.invoke("RecordButton") && rig.wave.isRecording());
    QVERIFY(rig.editor.commands.invoke("StopButton") && !rig.wave.staleFileAtRecord);
}

void saveAs(EditorRig &rig, const QString &name)
{
    rig.dialogs.fileAnswers.enqueue(rig.home.path("Data/" + name));
    rig.dialogs.answers.enqueue(Dialogs::Answer::Yes); // should it exist
    rig.editor.commands.invoke("menuSaveAs");
}
} // namespace

void TestSoundPrompts::recordSaveReopenRerecordDelete()
{
    EditorRig rig(SoundOn);
    loadFive(rig, "work.seq");
    QVERIFY(QFileInfo(rig.home.path("tmp")).isDir()); // sound on: the working folder is ready
    QCOMPARE(rig.editor.EditorDirty, 0);
    recordRow(rig, 4);
    QCOMPARE(rig.home.read("tmp/Fp1.wav"), QByteArray("take 1"));
    QCOMPARE(rig.editor.EditorDirty, 1); // an unsaved prompt is unsaved work
    QVERIFY(!rig.editor.grid().at(4).promptMissing && rig.editor.grid().at(5).promptMissing);
    QVERIFY(!SoundPrompts::playStoredPrompt(rig.ws, rig.wave, 3)); // not before a save

    saveAs(rig, "test.seq");
    QCOMPARE(rig.home.read("Sounds/test/Fp1.wav"), QByteArray("take 1"));
    QVERIFY(!QFileInfo::exists(rig.home.path("tmp")));
    QCOMPARE(rig.ws.SequenceTitle, QStringLiteral("test"));
    QVERIFY(!rig.editor.grid().at(4).promptMissing); // the stored prompt is heard now
    QVERIFY(SoundPrompts::playStoredPrompt(rig.ws, rig.wave, 3));
    QVERIFY(!SoundPrompts::playStoredPrompt(rig.ws, rig.wave, 4)); // Cz has none
    QCOMPARE(rig.wave.played, QStringList{rig.home.path("Sounds/test/Fp1.wav")});

    // Opening test.seq again brings its prompts back into the working folder.
    rig.dialogs.fileAnswers.enqueue(rig.home.path("Data/test.seq"));
    rig.editor.commands.invoke("menuOpen");
    QCOMPARE(rig.home.read("tmp/Fp1.wav"), QByteArray("take 1"));
    recordRow(rig, 4);
    recordRow(rig, 4);
    recordRow(rig, 5);
    QCOMPARE(rig.home.read("tmp/Fp1.wav"), QByteArray("take 3"));
    QCOMPARE(QDir(rig.home.path("tmp")).entryList(QDir::Files), (QStringList{"Cz.wav", "Fp1.wav"}));
    saveAs(rig, "test.seq");
    QCOMPARE(rig.home.read("Sounds/test/Fp1.wav"), QByteArray("take 3"));
    QCOMPARE(rig.home.read("Sounds/test/Cz.wav"), QByteArray("take 4"));

    // Delete Sound takes the stored prompt away at the next save, and only that one.
    rig.editor.selectRow(5);
    QCOMPARE(rig.editor.EditorDirty, 0);
    rig.editor.commands.invoke("menuDeleteSound");
    QCOMPARE(rig.editor.EditorDirty, 1);
    QVERIFY(rig.editor.grid().at(5).promptMissing && !rig.editor.grid().at(4).promptMissing);
    QVERIFY(QFileInfo::exists(rig.home.path("Sounds/test/Cz.wav")));
    saveAs(rig, "test.seq");
    QCOMPARE(QDir(rig.home.path("Sounds/test")).entryList(QDir::Files), QStringList{"Fp1.wav"});
    rig.ws.SoundEnabled = 0;
    QVERIFY(!SoundPrompts::playStoredPrompt(rig.ws, rig.wave, 3));
}

void TestSoundPrompts::switchesFollowSetupSound()
{
    EditorRig rig;
    loadFive(rig, "s.seq");
    QVERIFY(rig.editor.ui.value("menuSoundDisabled").checked);
    for (int row = 1; row <= 5; ++row) { // sound off: no prompt matters, none is recorded
        rig.editor.selectRow(row);
        QVERIFY(!rig.editor.ui.value("SoundControl").enabled);
        QVERIFY(!rig.editor.ui.value("PlayButton").enabled);
        rig.editor.commands.invoke("RecordButton");
        QVERIFY(!rig.wave.isRecording() && !rig.editor.grid().at(row).promptMissing);
    }
    QVERIFY(!QFileInfo::exists(rig.home.path("tmp")));
    rig.editor.commands.invoke("menuSoundEnabled");
    QVERIFY(rig.home.ini().contains("Sound=ON\r\n") && rig.ui.value("menuSoundON").checked);
    QVERIFY(rig.editor.ui.value("RecordButton").enabled); // row 5, "Cz"
    QVERIFY(QFileInfo(rig.home.path("tmp")).isDir());
    // A row without a name has no prompt to record.
    rig.editor.commands.invoke("menuInsertBelow");
    QVERIFY(!rig.editor.ui.value("SoundControl").enabled);
    QVERIFY(!rig.editor.ui.value("RecordButton").enabled);
    rig.editor.commands.invoke("RecordButton");
    QVERIFY(!rig.wave.isRecording() && QDir(rig.home.path("tmp")).isEmpty());
    QVERIFY(!rig.editor.grid().at(6).promptMissing);
    rig.editor.selectRow(5);
    rig.editor.commands.invoke("menuSoundDisabled");
    QVERIFY(rig.home.ini().contains("Sound=OFF\r\n"));
    QVERIFY(!rig.editor.ui.value("RecordButton").enabled);
}

void TestSoundPrompts::promptNamesAreSafeAndDistinct_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    // clang-format off
    QTest::newRow("parent folder")         << "../x"   << "Cz";
    QTest::newRow("up and dot")            << ".."     << ".";
    QTest::newRow("dots and underscores")  << ".."     << "__";
    QTest::newRow("slash and underscore")  << "a/b"    << "a_b";
    QTest::newRow("slash and backslash")   << "a/b"    << "a\\b";
    QTest::newRow("absolute")              << "/etc/x" << "Cz";
    QTest::newRow("device and escaped")    << "CON"    << "_CON";
    QTest::newRow("devices")               << "nul"    << "COM1.txt";
    QTest::newRow("drive, trailing dot")   << "C:x"    << "Fp1.";
    QTest::newRow("letter case")           << "Fp1"    << "FP1";
    QTest::newRow("control character")     << QString("a") + QChar(7) + "b" << "Cz";
    // clang-format on
}

// Prompt files stay inside the sequence's sound folder, are no device or hidden names, and
// names that clean to the same text still get a file each.
void TestSoundPrompts::promptNamesAreSafeAndDistinct()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    EditorRig rig(SoundOn);
    // As the program holds them, without the cleaning of the name box.
    rig.ws.NumSeq = 5;
    rig.ws.SeqName = QStringList{"NZ", "LPA", "RPA", first, second};
    rig.ws.SeqCode = QStringList{"1", "2", "4", "400", "400"};
    rig.ws.SequenceFile = rig.home.path("Data/in.seq");
    rig.editor.Form_Load();
    recordRow(rig, 4);
    recordRow(rig, 5);
    saveAs(rig, "test.seq");
    QStringList files;
    QDirIterator it(rig.home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(rig.home.path()).relativeFilePath(it.next());
    files.removeOne("pointra.ini");
    files.removeOne("Data/test.seq");
    QCOMPARE(files.size(), 2);
    for (int i : {3, 4}) {
        // The measurement finds each take under the same name.
        QVERIFY(SoundPrompts::playStoredPrompt(rig.ws, rig.wave, i));
        const QString prompt = QDir(rig.home.path()).relativeFilePath(rig.wave.played.last());
        QVERIFY2(files.contains(prompt) && prompt.startsWith("Sounds/test/") &&
                     prompt.count('/') == 2,
                 qPrintable(prompt));
        const QString stem = QFileInfo(prompt).completeBaseName();
        QVERIFY(!stem.startsWith('.') && !stem.endsWith('.') && !stem.endsWith(' '));
        QVERIFY(!QStringList({"CON", "NUL", "COM1"}).contains(stem.section('.', 0, 0).toUpper()));
        QCOMPARE(rig.home.read(prompt), "take " + QByteArray::number(i - 2));
    }
}

void TestSoundPrompts::playAllPlaysPromptsInOrder()
{
    EditorRig rig(SoundOn);
    QDir().mkpath(rig.home.path("Sounds/p"));
    for (const char *name : {"NZ", "RPA", "Cz"})
        rig.home.write(QString("Sounds/p/%1.wav").arg(name), {});
    loadFive(rig, "p.seq");
    QList<bool> missing;
    for (int row = 1; row <= 5; ++row)
        missing << rig.editor.grid().at(row).promptMissing;
    QCOMPARE(missing, (QList<bool>{false, true, false, true, false}));

    int changes = 0;
    rig.editor.changed = [&changes] { ++changes; };
    rig.editor.commands.invoke("PlayAllCheck");
    QVERIFY(rig.editor.ui.value("PlayAllCheck").checked);
    QCOMPARE(rig.editor.CurrentRow, 1);
    rig.wave.endOfPrompt();
    QCOMPARE(rig.editor.CurrentRow, 3);
    rig.wave.endOfPrompt();
    QCOMPARE(rig.editor.CurrentRow, 5);
    QVERIFY(rig.editor.ui.value("PlayAllCheck").checked);
    rig.wave.endOfPrompt();
    QVERIFY(!rig.editor.ui.value("PlayAllCheck").checked);
    QCOMPARE(rig.wave.played,
             (QStringList{rig.home.path("tmp/NZ.wav"), rig.home.path("tmp/RPA.wav"),
                          rig.home.path("tmp/Cz.wav")}));
    QCOMPARE(changes, 3);
    // Stop ends it at once; a late end of prompt plays nothing more.
    rig.editor.commands.invoke("PlayAllCheck");
    rig.editor.commands.invoke("StopButton");
    QVERIFY(!rig.editor.ui.value("PlayAllCheck").checked);
    rig.wave.endOfPrompt();
    QCOMPARE(rig.wave.played.size(), 4);
    // A device that reports the end before play() returns still plays each prompt once.
    rig.wave.finishAtOnce = true;
    rig.editor.setPlayAll(true);
    QCOMPARE(rig.wave.played.size(), 7);
    QCOMPARE(rig.wave.played.last(), rig.home.path("tmp/Cz.wav"));
    QVERIFY(!rig.editor.ui.value("PlayAllCheck").checked);
}

void TestSoundPrompts::withoutDeviceOneNoticeAndNoRecording()
{
    EditorRig rig(SoundOn);
    rig.wave.input = rig.wave.output = false;
    rig.editor.Form_Load();
    QCOMPARE(rig.dialogs.texts(), QStringList{"fake: no sound device"});
    rig.editor.selectRow(1);
    for (const char *control : {"RecordButton", "PlayButton", "PlayAllCheck"})
        QVERIFY2(!rig.editor.ui.value(control).enabled, control);
    rig.editor.commands.invoke("RecordButton");
    rig.editor.commands.invoke("PlayAllCheck");
    QVERIFY(!rig.wave.isRecording() && !rig.editor.ui.value("PlayAllCheck").checked);
    rig.editor.commands.invoke("menuSoundDisabled");
    rig.editor.commands.invoke("menuSoundEnabled");
    QCOMPARE(rig.dialogs.shown.size(), 1); // told once per run, not at every switch
    // The rest of the editor works as usual.
    rig.editor.setName("Nasion");
    rig.dialogs.fileAnswers.enqueue(rig.home.path("Data/n.seq"));
    rig.editor.commands.invoke("menuSaveAs");
    QVERIFY(rig.home.read("Data/n.seq").contains("Nasion\t1"));
}

QTEST_GUILESS_MAIN(TestSoundPrompts)
#include "tst_sound_prompts.moc"

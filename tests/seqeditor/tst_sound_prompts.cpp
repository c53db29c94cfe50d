#include "data/sound_prompts.h"
#include "editor_rig.h"

#include <QDirIterator>
#include <QTest>

class TestSoundPrompts : public QObject
{
    Q_OBJECT
private slots:
    void recordSaveReopenRerecord();
    void switchesFollowSetupSound();
    void namesStayInsideTheSoundFolder_data();
    void namesStayInsideTheSoundFolder();
    void namesThatSanitiseAlikeGetTheirOwnFiles_data();
    void namesThatSanitiseAlikeGetTheirOwnFiles();
    void emptyNameCannotRecord();
    void playAllPlaysPromptsInOrder();
    void playAllOnADeviceThatEndsAtOnce();
    void deleteSoundRemovesStoredPromptAtSave();
    void withoutDeviceOneNoticeAndNoRecording();
    void measurementPlaysOnlyStoredPrompts();
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

void TestSoundPrompts::recordSaveReopenRerecord()
{
    EditorRig rig(SoundOn);
    loadFive(rig, "work.seq");
    QVERIFY(QFileInfo(rig.home.path("tmp")).isDir()); // sound on: the working folder is ready
    QCOMPARE(rig.editor.EditorDirty, 0);
    recordRow(rig, 4);
    QCOMPARE(rig.home.read("tmp/Fp1.wav"), QByteArray("take 1"));
    QCOMPARE(rig.editor.EditorDirty, 1); // an unsaved prompt is unsaved work
    QVERIFY(!rig.editor.grid().at(4).promptMissing && rig.editor.grid().at(5).promptMissing);

    saveAs(rig, "test.seq");
    QCOMPARE(rig.home.read("Sounds/test/Fp1.wav"), QByteArray("take 1"));
    QVERIFY(!QFileInfo::exists(rig.home.path("tmp")));
    QCOMPARE(rig.ws.SequenceTitle, QStringLiteral("test"));
    QVERIFY(!rig.editor.grid().at(4).promptMissing); // the stored prompt is heard now

    // Opening test.seq again brings its prompts back into the working folder.
    rig.dialogs.fileAnswers.enqueue(rig.home.path("Data/test.seq"));
    rig.editor.commands.invoke("menuOpen");
    QCOMPARE(rig.home.read("tmp/Fp1.wav"), QByteArray("take 1"));
    recordRow(rig, 4);
    recordRow(rig, 4);
    QCOMPARE(rig.home.read("tmp/Fp1.wav"), QByteArray("take 3"));
    QCOMPARE(QDir(rig.home.path("tmp")).entryList(QDir::Files), QStringList{"Fp1.wav"});
    saveAs(rig, "test.seq");
    QCOMPARE(rig.home.read("Sounds/test/Fp1.wav"), QByteArray("take 3"));
    QCOMPARE(QDir(rig.home.path("Sounds/test")).entryList(QDir::Files), QStringList{"Fp1.wav"});
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
    QVERIFY(!rig.editor.ui.value("menuSoundDisabled").checked);
    QVERIFY(rig.editor.ui.value("RecordButton").enabled); // row 5, "Cz"
    QVERIFY(QFileInfo(rig.home.path("tmp")).isDir());
    rig.editor.commands.invoke("menuSoundDisabled");
    QVERIFY(rig.home.ini().contains("Sound=OFF\r\n"));
    QVERIFY(!rig.editor.ui.value("RecordButton").enabled);
}

void TestSoundPrompts::namesStayInsideTheSoundFolder_data()
{
    QTest::addColumn<QString>("name");
    // clang-format off
    QTest::newRow("parent folder") << "../x";
    QTest::newRow("up only") << "..";
    QTest::newRow("dot") << ".";
    QTest::newRow("slash") << "a/b";
    QTest::newRow("backslash") << "a\\b";
    QTest::newRow("absolute") << "/etc/x";
    QTest::newRow("device") << "CON";
    QTest::newRow("device, lower case") << "nul";
    QTest::newRow("device with extension") << "COM1.txt";
    QTest::newRow("drive") << "C:x";
    QTest::newRow("trailing dot") << "Fp1.";
    QTest::newRow("control character") << QString("a") + QChar(7) + "b";
    // clang-format on
}

void TestSoundPrompts::namesStayInsideTheSoundFolder()
{
    QFETCH(QString, name);
    EditorRig rig(SoundOn);
    // As the program holds it, without the cleaning of the name box.
    rig.ws.NumSeq = 5;
    rig.ws.SeqName = QStringList{"NZ", "LPA", "RPA", "REF", name};
    rig.ws.SeqCode = QStringList{"1", "2", "4", "1C00", "400"};
    rig.ws.SequenceFile = rig.home.path("Data/in.seq");
    rig.editor.Form_Load();
    recordRow(rig, 5);
    saveAs(rig, "test.seq");
    QStringList files;
    QDirIterator it(rig.home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(rig.home.path()).relativeFilePath(it.next());
    files.removeOne("pointra.ini");
    files.removeOne("Data/test.seq");
    QCOMPARE(files.size(), 1);
    const QString prompt = files.first();
    QVERIFY2(prompt.startsWith("Sounds/test/") && prompt.count('/') == 2, qPrintable(prompt));
    const QString stem = QFileInfo(prompt).completeBaseName();
    QVERIFY(!stem.startsWith('.') && !stem.endsWith('.') && !stem.endsWith(' '));
    QVERIFY(!QStringList({"CON", "NUL", "COM1"}).contains(stem.section('.', 0, 0).toUpper()));
    // The measurement finds the prompt under the same name.
    QVERIFY(SoundPrompts::playStoredPrompt(rig.ws, rig.wave, 4));
    QCOMPARE(rig.wave.played.last(), rig.home.path(prompt));
}

void TestSoundPrompts::namesThatSanitiseAlikeGetTheirOwnFiles_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    // clang-format off
    QTest::newRow("slash and underscore") << "a/b" << "a_b";
    QTest::newRow("slash and backslash") << "a/b" << "a\\b";
    QTest::newRow("letter case") << "Fp1" << "FP1";
    QTest::newRow("device and escaped device") << "CON" << "_CON";
    QTest::newRow("dots") << ".." << "__";
    // clang-format on
}

void TestSoundPrompts::namesThatSanitiseAlikeGetTheirOwnFiles()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    EditorRig rig(SoundOn);
    rig.editor.Form_Load();
    for (int row : {5, 6}) {
        rig.editor.selectRow(row);
        rig.editor.setName(row == 5 ? first : second);
        rig.editor.chooseType("Electrode");
    }
    recordRow(rig, 5);
    recordRow(rig, 6);
    saveAs(rig, "test.seq");
    QCOMPARE(QDir(rig.home.path("Sounds/test")).entryList(QDir::Files).size(), 2);
    QVERIFY(SoundPrompts::playStoredPrompt(rig.ws, rig.wave, 4));
    QVERIFY(SoundPrompts::playStoredPrompt(rig.ws, rig.wave, 5));
    const QDir home(rig.home.path());
    const QStringList last = rig.wave.played.mid(rig.wave.played.size() - 2);
    QCOMPARE(rig.home.read(home.relativeFilePath(last[0])), QByteArray("take 1"));
    QCOMPARE(rig.home.read(home.relativeFilePath(last[1])), QByteArray("take 2"));
}

void TestSoundPrompts::emptyNameCannotRecord()
{
    EditorRig rig(SoundOn);
    rig.editor.Form_Load();
    rig.editor.selectRow(6); // an empty row of the new sequence
    QVERIFY(!rig.editor.ui.value("SoundControl").enabled);
    QVERIFY(!rig.editor.ui.value("RecordButton").enabled);
    rig.editor.commands.invoke("RecordButton");
    QVERIFY(!rig.wave.isRecording() && QDir(rig.home.path("tmp")).isEmpty());
    QVERIFY(!rig.editor.grid().at(6).promptMissing);
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
}

void TestSoundPrompts::playAllOnADeviceThatEndsAtOnce()
{
    EditorRig rig(SoundOn);
    loadFive(rig, "p.seq");
    for (int row : {1, 2, 4})
        recordRow(rig, row);
    rig.wave.finishAtOnce = true;
    rig.editor.setPlayAll(true);
    QCOMPARE(rig.wave.played.size(), 3);
    QCOMPARE(rig.wave.played.last(), rig.home.path("tmp/Fp1.wav"));
    QVERIFY(!rig.editor.ui.value("PlayAllCheck").checked);
}

void TestSoundPrompts::deleteSoundRemovesStoredPromptAtSave()
{
    EditorRig rig(SoundOn);
    loadFive(rig, "d.seq");
    recordRow(rig, 4);
    recordRow(rig, 5);
    saveAs(rig, "d.seq");
    QVERIFY(QFileInfo::exists(rig.home.path("Sounds/d/Cz.wav")));
    rig.editor.selectRow(5);
    QCOMPARE(rig.editor.EditorDirty, 0);
    rig.editor.commands.invoke("menuDeleteSound");
    QCOMPARE(rig.editor.EditorDirty, 1);
    QVERIFY(rig.editor.grid().at(5).promptMissing && !rig.editor.grid().at(4).promptMissing);
    saveAs(rig, "d.seq");
    QVERIFY(!QFileInfo::exists(rig.home.path("Sounds/d/Cz.wav")));
    QVERIFY(QFileInfo::exists(rig.home.path("Sounds/d/Fp1.wav")));
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

void TestSoundPrompts::measurementPlaysOnlyStoredPrompts()
{
    EditorRig rig(SoundOn);
    loadFive(rig, "m.seq");
    recordRow(rig, 4); // Fp1: a working prompt only
    QVERIFY(!SoundPrompts::playStoredPrompt(rig.ws, rig.wave, 3));
    saveAs(rig, "m.seq");
    QVERIFY(SoundPrompts::playStoredPrompt(rig.ws, rig.wave, 3));
    QCOMPARE(rig.wave.played.last(), rig.home.path("Sounds/m/Fp1.wav"));
    QVERIFY(!SoundPrompts::playStoredPrompt(rig.ws, rig.wave, 4)); // Cz has none
    rig.ws.SoundEnabled = 0;
    QVERIFY(!SoundPrompts::playStoredPrompt(rig.ws, rig.wave, 3));
    QCOMPARE(rig.wave.played.size(), 1);
}

QTEST_GUILESS_MAIN(TestSoundPrompts)
#include "tst_sound_prompts.moc"

#include "editor_rig.h"
#include "data/prompt_names.h"
#include "data/sound_prompts.h"

#include <QDirIterator>
#include <QTest>

class TestSoundPrompts : public QObject
{
    Q_OBJECT
private slots:
    void recordSaveReopenRerecord();
    void switchesFollowSetupSound();
    void soundOffLeavesControlDisabled();
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
// Every file under the program folder, relative to it.
QStringList filesUnder(const QString &root)
{
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

// Records a take for grid row `row`.
void recordRow(EditorRig &rig, int row)
{
    rig.editor.selectRow(row);
    QVERIFY(rig.editor.commands.invoke("RecordButton"));
    QVERIFY(rig.audio.isRecording());
    QVERIFY(rig.editor.commands.invoke("StopButton"));
}

void saveAs(EditorRig &rig, const QString &name)
{
    rig.dialogs.fileAnswers.enqueue(rig.path("Data/" + name));
    rig.dialogs.answers.enqueue(Dialogs::Answer::Yes); // should it exist
    rig.editor.commands.invoke("menuSaveAs");
}

const QStringList Sequence = {"NZ:1", "LPA:2", "RPA:4", "Fp1:400", "Cz:400"};
} // namespace

void TestSoundPrompts::recordSaveReopenRerecord()
{
    EditorRig rig("TEVO", 1);
    const QString seq = rig.writeSequence("work.seq", Sequence);
    rig.loadProgram(seq);
    rig.editor.Form_Load();
    const QString working = rig.path("tmp/Fp1.wav");
    QVERIFY(QFileInfo(rig.path("tmp")).isDir()); // sound on: the working folder is ready

    QCOMPARE(rig.editor.EditorDirty, 0);
    recordRow(rig, 4);
    QVERIFY(!rig.audio.staleFileAtRecord);
    QCOMPARE(fileText(working), QByteArray("take 1"));
    QCOMPARE(rig.editor.EditorDirty, 1); // an unsaved prompt is unsaved work
    QVERIFY(!rig.editor.grid().at(4).promptMissing);
    QVERIFY(rig.editor.grid().at(5).promptMissing);

    saveAs(rig, "test.seq");
    QCOMPARE(fileText(rig.path("Sounds/test/Fp1.wav")), QByteArray("take 1"));
    QVERIFY(!QFileInfo::exists(rig.path("tmp")));
    QCOMPARE(rig.ws.SequenceTitle, QStringLiteral("test"));
    QVERIFY(!rig.editor.grid().at(4).promptMissing); // the stored prompt is heard now

    // Opening test.seq again brings its prompts back into the working folder.
    rig.dialogs.fileAnswers.enqueue(rig.path("Data/test.seq"));
    rig.editor.commands.invoke("menuOpen");
    QCOMPARE(fileText(working), QByteArray("take 1"));

    recordRow(rig, 4);
    QVERIFY(!rig.audio.staleFileAtRecord);
    recordRow(rig, 4);
    QVERIFY(!rig.audio.staleFileAtRecord);
    QCOMPARE(fileText(working), QByteArray("take 3"));
    QCOMPARE(QDir(rig.path("tmp")).entryList(QDir::Files), QStringList{"Fp1.wav"});
    saveAs(rig, "test.seq");
    QCOMPARE(fileText(rig.path("Sounds/test/Fp1.wav")), QByteArray("take 3"));
    QCOMPARE(QDir(rig.path("Sounds/test")).entryList(QDir::Files), QStringList{"Fp1.wav"});
}

void TestSoundPrompts::switchesFollowSetupSound()
{
    EditorRig rig;
    rig.editor.Form_Load();
    QVERIFY(rig.editor.ui.value("menuSoundDisabled").checked);
    QVERIFY(!rig.editor.ui.value("RecordButton").enabled);
    QVERIFY(rig.soundSwitches.isEmpty()); // loading does not rewrite the settings

    rig.editor.commands.invoke("menuSoundEnabled");
    QCOMPARE(rig.soundSwitches, QList<bool>{true});
    QCOMPARE(rig.ws.SoundEnabled, 1);
    QVERIFY(rig.editor.ui.value("menuSoundEnabled").checked);
    QVERIFY(!rig.editor.ui.value("menuSoundDisabled").checked);
    QVERIFY(rig.editor.ui.value("RecordButton").enabled); // row 1 "NZ"
    QVERIFY(QFileInfo(rig.path("tmp")).isDir());

    rig.editor.commands.invoke("menuSoundDisabled");
    QCOMPARE(rig.soundSwitches, (QList<bool>{true, false}));
    QCOMPARE(rig.ws.SoundEnabled, 0);
    QVERIFY(!rig.editor.ui.value("RecordButton").enabled);
}

void TestSoundPrompts::soundOffLeavesControlDisabled()
{
    EditorRig rig;
    rig.loadProgram(rig.writeSequence("s.seq", Sequence));
    rig.editor.Form_Load();
    for (int row = 1; row <= 5; ++row) {
        rig.editor.selectRow(row);
        QVERIFY(!rig.editor.ui.value("SoundControl").enabled);
        QVERIFY(!rig.editor.ui.value("PlayButton").enabled);
        rig.editor.commands.invoke("RecordButton");
        QVERIFY(!rig.audio.isRecording());
    }
    QVERIFY(!QFileInfo::exists(rig.path("tmp")));
    for (const EditorGridRow &row : rig.editor.grid())
        QVERIFY(!row.promptMissing); // prompts do not matter while sound is off
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
    EditorRig rig("TEVO", 1);
    // As the program holds it, without the cleaning of the name box.
    rig.ws.NumSeq = 5;
    rig.ws.SeqName = QStringList{"NZ", "LPA", "RPA", "REF", name};
    rig.ws.SeqCode = QStringList{"1", "2", "4", "1C00", "400"};
    rig.ws.SequenceFile = rig.path("Data/in.seq");
    rig.editor.Form_Load();
    recordRow(rig, 5);
    saveAs(rig, "test.seq");
    const QStringList files = filesUnder(rig.home.path());
    QCOMPARE(files.size(), 2);
    QVERIFY2(files.contains("Data/test.seq"), qPrintable(files.join(' ')));
    const QString prompt = files.at(files.first() == "Data/test.seq" ? 1 : 0);
    QVERIFY2(prompt.startsWith("Sounds/test/") && prompt.count('/') == 2, qPrintable(prompt));
    const QString stem = QFileInfo(prompt).completeBaseName();
    QVERIFY(!stem.startsWith('.') && !stem.endsWith('.') && !stem.endsWith(' '));
    QVERIFY(!QStringList({"CON", "NUL", "COM1"}).contains(stem.section('.', 0, 0).toUpper()));
    // The measurement finds the prompt under the same name.
    QVERIFY(SoundPrompts::playStoredPrompt(rig.ws, rig.audio, 4));
    QCOMPARE(rig.audio.played.last(), rig.path(prompt));
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
    const QStringList stems = PromptNames::fileStems({"NZ", first, "Cz", second});
    QVERIFY(!stems.at(1).isEmpty() && !stems.at(3).isEmpty());
    QVERIFY2(stems.at(1).compare(stems.at(3), Qt::CaseInsensitive) != 0,
             qPrintable(stems.at(1) + " " + stems.at(3)));
    // The row order does not decide who gets which file.
    const QStringList swapped = PromptNames::fileStems({second, "NZ", first});
    QCOMPARE(swapped.at(2), stems.at(1));
    QCOMPARE(swapped.at(0), stems.at(3));

    EditorRig rig("TEVO", 1);
    rig.editor.Form_Load();
    rig.editor.selectRow(5);
    rig.editor.setName(first);
    rig.editor.chooseType("Electrode");
    rig.editor.selectRow(6);
    rig.editor.setName(second);
    rig.editor.chooseType("Electrode");
    recordRow(rig, 5);
    recordRow(rig, 6);
    saveAs(rig, "test.seq");
    QCOMPARE(QDir(rig.path("Sounds/test")).entryList(QDir::Files).size(), 2);
    QVERIFY(SoundPrompts::playStoredPrompt(rig.ws, rig.audio, 4));
    QVERIFY(SoundPrompts::playStoredPrompt(rig.ws, rig.audio, 5));
    QCOMPARE(fileText(rig.audio.played.at(rig.audio.played.size() - 2)), QByteArray("take 1"));
    QCOMPARE(fileText(rig.audio.played.last()), QByteArray("take 2"));
}

void TestSoundPrompts::emptyNameCannotRecord()
{
    EditorRig rig("TEVO", 1);
    rig.editor.Form_Load();
    rig.editor.selectRow(6); // an empty row of the new sequence
    QVERIFY(!rig.editor.ui.value("SoundControl").enabled);
    QVERIFY(!rig.editor.ui.value("RecordButton").enabled);
    rig.editor.commands.invoke("RecordButton");
    QVERIFY(!rig.audio.isRecording());
    QVERIFY(QDir(rig.path("tmp")).isEmpty());
    QVERIFY(!rig.editor.grid().at(6).promptMissing);
}

void TestSoundPrompts::playAllPlaysPromptsInOrder()
{
    EditorRig rig("TEVO", 1);
    rig.loadProgram(rig.writeSequence("p.seq", Sequence));
    QDir().mkpath(rig.path("Sounds/p"));
    for (const char *name : {"NZ", "RPA", "Cz"}) {
        QFile f(rig.path(QString("Sounds/p/%1.wav").arg(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    rig.editor.Form_Load();
    QList<bool> missing;
    for (int row = 1; row <= 5; ++row)
        missing << rig.editor.grid().at(row).promptMissing;
    QCOMPARE(missing, (QList<bool>{false, true, false, true, false}));

    int changes = 0;
    rig.editor.changed = [&changes] { ++changes; };
    rig.editor.commands.invoke("PlayAllCheck");
    QVERIFY(rig.editor.ui.value("PlayAllCheck").checked);
    QCOMPARE(rig.audio.played, QStringList{rig.path("tmp/NZ.wav")});
    QCOMPARE(rig.editor.CurrentRow, 1);
    rig.audio.endOfPrompt();
    QCOMPARE(rig.editor.CurrentRow, 3);
    rig.audio.endOfPrompt();
    QCOMPARE(rig.editor.CurrentRow, 5);
    QVERIFY(rig.editor.ui.value("PlayAllCheck").checked);
    rig.audio.endOfPrompt();
    QVERIFY(!rig.editor.ui.value("PlayAllCheck").checked);
    QCOMPARE(rig.audio.played, (QStringList{rig.path("tmp/NZ.wav"), rig.path("tmp/RPA.wav"),
                                            rig.path("tmp/Cz.wav")}));
    QCOMPARE(changes, 3);

    // Stop ends it at once; a late end of prompt plays nothing more.
    rig.editor.commands.invoke("PlayAllCheck");
    rig.editor.commands.invoke("StopButton");
    QVERIFY(!rig.editor.ui.value("PlayAllCheck").checked);
    rig.audio.endOfPrompt();
    QCOMPARE(rig.audio.played.size(), 4);
}

void TestSoundPrompts::playAllOnADeviceThatEndsAtOnce()
{
    EditorRig rig("TEVO", 1);
    rig.loadProgram(rig.writeSequence("p.seq", Sequence));
    rig.editor.Form_Load();
    for (int row : {1, 2, 4})
        recordRow(rig, row);
    rig.audio.finishAtOnce = true;
    rig.editor.setPlayAll(true);
    QCOMPARE(rig.audio.played.size(), 3);
    QCOMPARE(rig.audio.played.last(), rig.path("tmp/Fp1.wav"));
    QVERIFY(!rig.editor.ui.value("PlayAllCheck").checked);
}

void TestSoundPrompts::deleteSoundRemovesStoredPromptAtSave()
{
    EditorRig rig("TEVO", 1);
    rig.loadProgram(rig.writeSequence("d.seq", Sequence));
    rig.editor.Form_Load();
    recordRow(rig, 4);
    recordRow(rig, 5);
    saveAs(rig, "d.seq");
    QVERIFY(QFileInfo::exists(rig.path("Sounds/d/Cz.wav")));

    rig.editor.selectRow(5);
    QCOMPARE(rig.editor.EditorDirty, 0);
    rig.editor.commands.invoke("menuDeleteSound");
    QCOMPARE(rig.editor.EditorDirty, 1);
    QVERIFY(rig.editor.grid().at(5).promptMissing);
    QVERIFY(!rig.editor.grid().at(4).promptMissing);
    saveAs(rig, "d.seq");
    QVERIFY(!QFileInfo::exists(rig.path("Sounds/d/Cz.wav")));
    QVERIFY(QFileInfo::exists(rig.path("Sounds/d/Fp1.wav")));
}

void TestSoundPrompts::withoutDeviceOneNoticeAndNoRecording()
{
    EditorRig rig("TEVO", 1);
    rig.audio.input = false;
    rig.audio.output = false;
    rig.editor.Form_Load();
    QCOMPARE(rig.dialogs.texts(), QStringList{"fake: no sound device"});
    rig.editor.selectRow(1);
    QVERIFY(!rig.editor.ui.value("RecordButton").enabled);
    QVERIFY(!rig.editor.ui.value("PlayButton").enabled);
    QVERIFY(!rig.editor.ui.value("PlayAllCheck").enabled);
    rig.editor.commands.invoke("RecordButton");
    rig.editor.commands.invoke("PlayAllCheck");
    QVERIFY(!rig.audio.isRecording());
    QVERIFY(!rig.editor.ui.value("PlayAllCheck").checked);
    rig.editor.commands.invoke("menuSoundDisabled");
    rig.editor.commands.invoke("menuSoundEnabled");
    QCOMPARE(rig.dialogs.shown.size(), 1); // told once per run, not at every switch

    // The rest of the editor works as usual.
    rig.editor.setName("Nasion");
    rig.dialogs.fileAnswers.enqueue(rig.path("Data/n.seq"));
    rig.editor.commands.invoke("menuSaveAs");
    QVERIFY(fileText(rig.path("Data/n.seq")).contains("Nasion\t1"));
}

void TestSoundPrompts::measurementPlaysOnlyStoredPrompts()
{
    EditorRig rig("TEVO", 1);
    rig.loadProgram(rig.writeSequence("m.seq", Sequence));
    rig.editor.Form_Load();
    recordRow(rig, 4); // Fp1: a working prompt only
    QVERIFY(!SoundPrompts::playStoredPrompt(rig.ws, rig.audio, 3));
    saveAs(rig, "m.seq");
    QVERIFY(SoundPrompts::playStoredPrompt(rig.ws, rig.audio, 3));
    QCOMPARE(rig.audio.played.last(), rig.path("Sounds/m/Fp1.wav"));
    QVERIFY(!SoundPrompts::playStoredPrompt(rig.ws, rig.audio, 4)); // Cz has none
    rig.ws.SoundEnabled = 0;
    QVERIFY(!SoundPrompts::playStoredPrompt(rig.ws, rig.audio, 3));
    QCOMPARE(rig.audio.played.size(), 1);
}

QTEST_GUILESS_MAIN(TestSoundPrompts)
#include "tst_sound_prompts.moc"

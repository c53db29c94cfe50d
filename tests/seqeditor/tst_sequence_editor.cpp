#include "data/sound_prompts.h"
#include "editor_rig.h"

#include <QDirIterator>
#include <QTest>

using Answer = Dialogs::Answer;

namespace {
const Fixtures::Ini SoundOn{.sound = "ON"};

// The program holds Data/<name> with five rows (Fp1 on row 4, Cz on row 5) and the editor has
// loaded it.
void loadFive(EditorRig &rig, const QString &name = "a.seq")
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

class TestSequenceEditor : public QObject
{
    Q_OBJECT
private slots:
    void newSequenceSavesItsFourPoints_data();
    void newSequenceSavesItsFourPoints();
    void rowEdits_data();
    void rowEdits();
    void acceptSaveAndClose_data();
    void acceptSaveAndClose();
    void openChecksExtension_data();
    void openChecksExtension();
    void saveRefusesWhatTheMeasurementRefuses_data();
    void saveRefusesWhatTheMeasurementRefuses();
    void templatesOpenAsTheyAre();
    void recordSaveReopenRerecordDelete();
    void switchesFollowSetupSound();
    void promptNamesAreSafeAndDistinct_data();
    void promptNamesAreSafeAndDistinct();
    void playAllPlaysPromptsInOrder();
    void withoutDeviceOneNoticeAndNoRecording();
};

void TestSequenceEditor::newSequenceSavesItsFourPoints_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QByteArray>("saved");
    // clang-format off
    QTest::newRow("BESA")  << "BESA"  << QByteArray("3\t2\r\n1\r\nFidT9\t2\r\nFidNz\t1\r\nFidT10\t4\r\nREF\t1C00\r\n");
    QTest::newRow("TEVO")  << "TEVO"  << QByteArray("3\t2\r\n1\r\nNZ\t1\r\nLPA\t2\r\nRPA\t4\r\nREF\t1C00\r\n");
    QTest::newRow("Curry") << "Curry" << QByteArray("3\t2\r\n1\r\nNZ\t1\r\nLPA\t2\r\nRPA\t4\r\nREF\t1C00\r\n");
    // clang-format on
}

// The fiducials of the coordinate system and a reference, then blank rows the save drops.
void TestSequenceEditor::newSequenceSavesItsFourPoints()
{
    QFETCH(QString, system);
    EditorRig rig({.system = system});
    rig.editor.Form_Load(); // nothing loaded: a new sequence
    QCOMPARE(rig.editor.ui.caption, QStringLiteral("Sequence File Editor - Untitled"));
    QCOMPARE(rig.editor.EditCount, 25);
    QCOMPARE(rig.editor.EditorDirty, 0);
    QVERIFY(rig.editor.commands.invoke("menuNew"));
    rig.dialogs.fileAnswers.enqueue(rig.home.path("Data/four.seq"));
    QVERIFY(rig.editor.commands.invoke("menuSaveAs"));
    QTEST(rig.home.read("Data/four.seq"), "saved");
    QCOMPARE(rig.ws.NumSeq, 4);
    QCOMPARE(rig.ws.SequenceFile, rig.home.path("Data/four.seq"));
    QCOMPARE(rig.ws.SequenceTitle, QStringLiteral("four"));
}

void TestSequenceEditor::rowEdits_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("names");
    QTest::addColumn<int>("current");
    const QString rows = "NZ,LPA,RPA,REF,Cz,Pz,,,Oz";
    // clang-format off
    QTest::newRow("above row 3: refused") << "menuInsertAbove" << 3 << rows << 3;
    QTest::newRow("above row 4") << "menuInsertAbove" << 4 << "NZ,LPA,RPA,,REF,Cz,Pz,,,Oz" << 5;
    QTest::newRow("below row 2: refused") << "menuInsertBelow" << 2 << rows << 2;
    QTest::newRow("below row 3") << "menuInsertBelow" << 3 << "NZ,LPA,RPA,,REF,Cz,Pz,,,Oz" << 4;
    QTest::newRow("below last row") << "menuInsertBelow" << 9 << "NZ,LPA,RPA,REF,Cz,Pz,,,Oz," << 10;
    QTest::newRow("delete row 3: refused") << "menuDelete" << 3 << rows << 3;
    QTest::newRow("delete row 4") << "menuDelete" << 4 << "NZ,LPA,RPA,Cz,Pz,,,Oz" << 4;
    QTest::newRow("delete last row") << "menuDelete" << 9 << "NZ,LPA,RPA,REF,Cz,Pz,," << 8;
    // Preview drops the rows without a name or a code.
    QTest::newRow("preview") << "menuPreview" << 9 << "NZ,LPA,RPA,REF,Cz,Oz" << 6;
    // clang-format on
}

// Rows are inserted and deleted only below the three fiducials.
void TestSequenceEditor::rowEdits()
{
    QFETCH(QString, control);
    QFETCH(int, row);
    QFETCH(QString, names);
    EditorRig rig;
    rig.loadProgram(rig.writeSequence(
        "b.seq", {"NZ:1", "LPA:2", "RPA:4", "REF:1C00", "Cz:400", "Pz:", ":400", ":", "Oz:400"}));
    rig.editor.Form_Load();
    rig.dialogs.clear(); // the codes the file lacks were told
    const QStringList before = rig.editor.EditName;
    rig.editor.selectRow(row);
    QVERIFY(rig.editor.commands.invoke(control));
    const QStringList expected = names.split(',');
    QCOMPARE(rig.editor.EditName, expected);
    QCOMPARE(rig.editor.EditCount, expected.size());
    QCOMPARE(rig.editor.EditCode.size(), expected.size());
    QCOMPARE(rig.editor.grid().size(), expected.size() + 1);
    QTEST(rig.editor.CurrentRow, "current");
    QCOMPARE(rig.editor.EditorDirty, expected != before ? 1 : 0);
    QCOMPARE(rig.editor.ui.value("NameText").text,
             rig.editor.EditName.at(rig.editor.CurrentRow - 1));
    QVERIFY(rig.dialogs.shown.isEmpty());
}

void TestSequenceEditor::acceptSaveAndClose_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("target"); // in Data; empty: no name is chosen
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<QString>("told");        // the last message begins so; empty: none
    QTest::addColumn<QString>("programName"); // row 5 of the program's sequence afterwards
    QTest::addColumn<int>("seqDirty");
    QTest::addColumn<bool>("written"); // the target holds the change
    QTest::addColumn<int>("closed");
    QTest::addColumn<int>("editorDirty");
    const Answer yes = Answer::Yes, no = Answer::No;
    const QString keep = "Do you want to keep the changes", over = "Do you want to overwrite";
    // clang-format off
    QTest::newRow("accept") << "menuAccept" << "" << QList<Answer>{} << "" << "Pz" << 1 << false << 1 << 0;
    QTest::newRow("save") << "menuSaveAs" << "b.seq" << QList<Answer>{} << "" << "Pz" << 0 << true << 0 << 0;
    QTest::newRow("overwrite declined") << "menuSaveAs" << "a.seq" << QList<Answer>{} << over << "Cz" << 0 << false << 0 << 1;
    QTest::newRow("overwrite accepted") << "menuSaveAs" << "a.seq" << QList<Answer>{yes} << over << "Pz" << 0 << true << 0 << 0;
    QTest::newRow("read-only file") << "menuSaveAs" << "a.seq (read-only)" << QList<Answer>{yes} << "Error: read-only file\r" << "Cz" << 0 << false << 0 << 1;
    QTest::newRow("close, keep: yes") << "menuCancel" << "b.seq" << QList<Answer>{yes} << keep << "Pz" << 0 << true << 1 << 0;
    QTest::newRow("close, keep: yes, save cancelled") << "menuCancel" << "" << QList<Answer>{yes} << keep << "Pz" << 1 << false << 1 << 0;
    QTest::newRow("close, keep: no") << "menuCancel" << "" << QList<Answer>{no} << keep << "Cz" << 0 << false << 1 << 0;
    QTest::newRow("close, keep: cancel") << "menuCancel" << "" << QList<Answer>{Answer::Cancel} << keep << "Cz" << 0 << false << 0 << 1;
    // clang-format on
}

void TestSequenceEditor::acceptSaveAndClose()
{
    QFETCH(QString, target);
    QFETCH(QList<Answer>, answers);
    QFETCH(QString, told);
    QFETCH(bool, written);
    EditorRig rig;
    loadFive(rig);
    const QByteArray before = rig.home.read("Data/a.seq");
    QCOMPARE(rig.editor.ui.value("menuCancel").text, QStringLiteral("Close"));
    rig.editor.selectRow(5);
    rig.editor.setName("P\tz"); // a TAB cannot reach the file
    QCOMPARE(rig.editor.ui.value("menuCancel").text, QStringLiteral("Cancel"));
    if (target.endsWith("(read-only)"))
        QFile::setPermissions(rig.ws.SequenceFile, QFile::ReadOwner | QFile::ReadGroup);
    target = target.section(' ', 0, 0);
    if (!target.isEmpty())
        rig.dialogs.fileAnswers.enqueue(rig.home.path("Data/" + target));
    rig.dialogs.answers.append(answers); // an unanswered question defaults to No
    QFETCH(QString, control);
    rig.editor.commands.invoke(control);
    QCOMPARE(rig.dialogs.shown.isEmpty(), told.isEmpty());
    QVERIFY2(told.isEmpty() || rig.dialogs.texts().last().startsWith(told),
             qPrintable(rig.dialogs.texts().join('|')));
    QTEST(rig.ws.SeqName.value(4), "programName");
    QTEST(rig.ws.SeqDirty, "seqDirty");
    if (!target.isEmpty())
        QCOMPARE(rig.home.read("Data/" + target).contains("Pz\t400"), written);
    if (target != "a.seq" || !written)
        QCOMPARE(rig.home.read("Data/a.seq"), before);
    QTEST(rig.closed, "closed");
    QTEST(rig.editor.EditorDirty, "editorDirty");
    QCOMPARE(rig.editor.ui.value("menuAccept").enabled, rig.editor.EditorDirty == 1);
}

void TestSequenceEditor::openChecksExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("opens");
    // clang-format off
    QTest::newRow("lower case") << "c.seq" << true;
    QTest::newRow("upper case") << "c.SEQ" << true;
    QTest::newRow("mixed case") << "c.Seq" << false;
    QTest::newRow("text file") << "a.txt" << false;
    // clang-format on
}

void TestSequenceEditor::openChecksExtension()
{
    QFETCH(QString, name);
    QFETCH(bool, opens);
    EditorRig rig;
    loadFive(rig);
    const QString file = rig.writeSequence(name, {"NZ:1", "LPA:2", "RPA:4", "O1:400"});
    rig.ws.DataPath = rig.home.path();
    rig.dialogs.fileAnswers.enqueue(file);
    QVERIFY(rig.editor.commands.invoke("menuOpen"));
    QCOMPARE(rig.editor.EditName.last(), opens ? "O1" : "Cz");
    QCOMPARE(rig.editor.ui.caption,
             "Sequence File Editor - " + (opens ? file : rig.home.path("Data/a.seq")));
    QCOMPARE(rig.ws.DataPath, opens ? rig.home.path("Data") : rig.home.path());
    QCOMPARE(rig.editor.EditorDirty, opens ? 1 : 0);
    QCOMPARE(rig.dialogs.texts(), opens ? QStringList()
                                        : QStringList{"Cannot open a file with this extension.\r"
                                                      "Please select an extension from the list."});
    if (opens)
        QCOMPARE(rig.editor.SequenceTitle, QStringLiteral("c"));
    QCOMPARE(rig.ws.SeqName.last(), QStringLiteral("Cz")); // only Accept or Save change it
}

void TestSequenceEditor::saveRefusesWhatTheMeasurementRefuses_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("faults"); // fragments of the message, one per fault
    // clang-format off
    QTest::newRow("BESA order is fine") << QStringList{"FidT9:2", "FidNz:1", "FidT10:4", "Cz:400"} << QStringList{};
    QTest::newRow("electrode among fiducials") << QStringList{"NZ:1", "Cz:400", "RPA:4", "LPA:2"} << QStringList{"Row 2 (Cz) Electrode"};
    QTest::newRow("nasion twice") << QStringList{"NZ:1", "NZ2:1", "RPA:4"} << QStringList{"Row 2 (NZ2) Fiducial, Nasion"};
    QTest::newRow("two rows only") << QStringList{"NZ:1", "LPA:2"} << QStringList{"has 2 rows"};
    QTest::newRow("same electrode twice") << QStringList{"NZ:1", "LPA:2", "RPA:4", "Cz:400", "Pz:400", "Cz:400"} << QStringList{"Row 6 (Cz) has the same name as row 4"};
    QTest::newRow("name too long") << QStringList{"NZ:1", "LPA:2", "RPA:4", "Electrode1:400"} << QStringList{"Row 4 (Electrode1)"};
    QTest::newRow("two faults") << QStringList{"NZ:1", "LPA:2", "Cz:400", "Pz:400", "Pz:400"} << QStringList{"Row 3 (Cz) Electrode", "Row 5 (Pz) has the same name as row 4"};
    // clang-format on
}

void TestSequenceEditor::saveRefusesWhatTheMeasurementRefuses()
{
    QFETCH(QStringList, rows);
    QFETCH(QStringList, faults);
    EditorRig rig;
    // The program's sequence can hold what no file read gives (a long name from elsewhere).
    rig.ws.NumSeq = rows.size();
    for (const QString &r : rows) {
        rig.ws.SeqName << r.section(':', 0, 0);
        rig.ws.SeqCode << r.section(':', 1);
    }
    rig.ws.SequenceFile = rig.home.path("Data/in.seq");
    rig.editor.Form_Load();
    const QString target = rig.home.path("Data/out.seq");
    rig.dialogs.fileAnswers.enqueue(target);
    rig.editor.commands.invoke("menuSaveAs");
    QCOMPARE(QFile::exists(target), faults.isEmpty());
    QCOMPARE(rig.dialogs.fileRequests.isEmpty(), !faults.isEmpty()); // refused before a name
    QCOMPARE(rig.dialogs.shown.size(), faults.isEmpty() ? 0 : 1);
    if (faults.isEmpty())
        return;
    const QStringList lines = rig.dialogs.shown.first().text.split(QChar(13));
    QCOMPARE(lines.size(), faults.size() + 1);
    for (int i = 0; i < faults.size(); ++i)
        QVERIFY2(lines.at(i + 1).contains(faults.at(i)), qPrintable(lines.at(i + 1)));
    QCOMPARE(rig.ws.SeqDirty, 0);
}

void TestSequenceEditor::templatesOpenAsTheyAre()
{
    EditorRig rig;
    rig.editor.Form_Load();
    const QDir templates(QStringLiteral(POINTRA_SOURCE_DIR "/data/templates"));
    for (int i = 0; i < SequenceEditor::TemplateControls.size(); ++i) {
        const QString name = SequenceEditor::TemplateFiles.at(i);
        QVERIFY(QFile::copy(templates.filePath(name), rig.home.path("Data/" + name)));
        QVERIFY(rig.editor.commands.invoke(SequenceEditor::TemplateControls.at(i)));
        Workspace read;
        QVERIFY(SequenceEditor::readSequence(templates.filePath(name), read, rig.dialogs));
        QCOMPARE(rig.editor.EditName, read.SeqName);
        QCOMPARE(rig.editor.EditCode, read.SeqCode);
        QCOMPARE(rig.editor.ui.caption, "Sequence File Editor - " + rig.home.path("Data/" + name));
    }
    QVERIFY(rig.dialogs.shown.isEmpty());
    QCOMPARE(rig.ws.NumSeq, 0); // opening fills the editor, not the program
    QCOMPARE(rig.editor.EditorDirty, 1);
}

void TestSequenceEditor::recordSaveReopenRerecordDelete()
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

void TestSequenceEditor::switchesFollowSetupSound()
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

void TestSequenceEditor::promptNamesAreSafeAndDistinct_data()
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
void TestSequenceEditor::promptNamesAreSafeAndDistinct()
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

void TestSequenceEditor::playAllPlaysPromptsInOrder()
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

void TestSequenceEditor::withoutDeviceOneNoticeAndNoRecording()
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

QTEST_GUILESS_MAIN(TestSequenceEditor)
#include "tst_sequence_editor.moc"

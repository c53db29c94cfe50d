#include "editor_rig.h"

#include <QTest>

using Answer = Dialogs::Answer;

namespace {
// The program holds Data/a.seq with five rows and the editor has loaded it.
void loadFive(EditorRig &rig)
{
    rig.loadProgram(rig.writeSequence("a.seq", {"NZ:1", "LPA:2", "RPA:4", "REF:1C00", "Cz:400"}));
    rig.editor.Form_Load();
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

QTEST_GUILESS_MAIN(TestSequenceEditor)
#include "tst_sequence_editor.moc"

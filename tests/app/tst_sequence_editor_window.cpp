#include "app/main_window.h"
#include "app/sequence_editor_launch.h"
#include "app/sequence_editor_window.h"
#include "editor_rig.h"
#include "shell/command_line.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

class TestSequenceEditorWindow : public QObject
{
    Q_OBJECT
private slots:
    void showsTheEditorsRows();
    void keyboardEditsLikeASpreadsheet();
    void nameBoxAndTypeListEditTheRow();
    void closingAsksAboutChanges();
    void setupMenuOpensTheEditorModally();
    void editSequenceCommandOpensTheFile();
};

namespace {
// The editor window on a program that holds Data/w.seq, shown and active when `shown`.
struct WindowRig : EditorRig
{
    explicit WindowRig(bool shown = true)
    {
        loadProgram(writeSequence("w.seq", {"NZ:1", "LPA:2", "RPA:4", "REF:1C00", "Cz:400"}));
        window.load();
        if (!shown)
            return;
        window.show();
        window.activateWindow();
        active = QTest::qWaitForWindowActive(&window);
        window.grid()->setFocus();
    }
    QString cell(int row, int column) const
    {
        return window.grid()->model()->index(row, column).data().toString();
    }
    SequenceEditorWindow window{editor};
    bool active = false;
};

// Runs `check` on the editor window once it is shown modally, then lets the test go on.
void whenEditorShown(std::function<void(SequenceEditorWindow *)> check)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, check] {
        auto *editor = qobject_cast<SequenceEditorWindow *>(QApplication::activeModalWidget());
        if (!editor)
            return;
        timer->stop();
        timer->deleteLater();
        check(editor);
    });
    timer->start(10);
}
} // namespace

void TestSequenceEditorWindow::showsTheEditorsRows()
{
    WindowRig w(false);
    QCOMPARE(w.window.windowTitle(), "Sequence File Editor - " + w.ws.SequenceFile);
    QVERIFY(w.window.isModal());
    QAbstractItemModel *model = w.window.grid()->model();
    QCOMPARE(model->rowCount(), 5);
    QCOMPARE(w.cell(4, 1), QStringLiteral("Cz"));
    QCOMPARE(w.cell(3, 2), QStringLiteral("Reference"));
    QCOMPARE(w.window.nameBox()->text(), QStringLiteral("NZ"));
    QCOMPARE(w.window.typeList()->currentItem()->text(), QStringLiteral("Fiducial, Nasion"));
    w.window.grid()->setCurrentIndex(model->index(2, 1));
    QCOMPARE(w.editor.CurrentRow, 3);
    w.window.action("menuInsertBelow")->trigger();
    QCOMPARE(model->rowCount(), 6);
    QCOMPARE(w.window.grid()->currentIndex().row(), 3); // the new row is selected
    QVERIFY(w.window.action("menuAccept")->isEnabled());
}

void TestSequenceEditorWindow::keyboardEditsLikeASpreadsheet()
{
    WindowRig w;
    QVERIFY(w.active);
    QTableView *grid = w.window.grid();
    grid->setCurrentIndex(grid->model()->index(4, 1));
    QTest::keyClick(grid, 'P'); // typing starts the cell's editor
    QVERIFY(QApplication::focusWidget() != grid);
    QTest::keyClicks(QApplication::focusWidget(), "z");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(w.editor.EditName.at(4), QStringLiteral("Pz"));
    QCOMPARE(w.cell(4, 1), QStringLiteral("Pz"));

    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(3, 1));
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(w.editor.CurrentRow, 5);
    QTest::keyClick(grid, Qt::Key_Return); // Enter moves on, as in a spreadsheet
    QCOMPARE(grid->currentIndex().row(), 4);
    QTest::keyClick(grid, Qt::Key_Insert); // a row above the selected one
    QCOMPARE(w.editor.EditName, (QStringList{"NZ", "LPA", "RPA", "REF", "", "Pz"}));
    QCOMPARE(grid->currentIndex().row(), 5);
    QTest::keyClick(grid, Qt::Key_Delete); // empties the cell, the row stays
    QCOMPARE(w.editor.EditName.at(5), QString());
    QCOMPARE(grid->model()->rowCount(), 6);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier); // deletes the row
    QCOMPARE(grid->model()->rowCount(), 5);
}

void TestSequenceEditorWindow::nameBoxAndTypeListEditTheRow()
{
    WindowRig w;
    QVERIFY(w.active);
    w.window.grid()->setCurrentIndex(w.window.grid()->model()->index(4, 0));
    QCOMPARE(w.window.nameBox()->text(), QStringLiteral("Cz"));
    w.window.nameBox()->selectAll();
    QTest::keyClicks(w.window.nameBox(), "Electrode12");
    QCOMPARE(w.editor.EditName.at(4), QStringLiteral("Electrod"));
    QCOMPARE(w.cell(4, 1), QStringLiteral("Electrod"));
    QListWidget *types = w.window.typeList();
    QListWidgetItem *reference = types->findItems("Reference", Qt::MatchExactly).first();
    QTest::mouseClick(types->viewport(), Qt::LeftButton, {},
                      types->visualItemRect(reference).center());
    QCOMPARE(w.editor.EditCode.at(4), QStringLiteral("1C00"));
    QCOMPARE(w.cell(4, 2), QStringLiteral("Reference"));
    QVERIFY(w.ws.SeqName.contains("Cz")); // the program keeps its rows until Accept
}

void TestSequenceEditorWindow::closingAsksAboutChanges()
{
    WindowRig w;
    QVERIFY(w.active);
    w.window.nameBox()->setFocus();
    QTest::keyClicks(w.window.nameBox(), "x");
    w.dialogs.answers.enqueue(Dialogs::Answer::Cancel);
    QTest::keyClick(&w.window, Qt::Key_Escape);
    QVERIFY(w.window.isVisible());
    QCOMPARE(w.dialogs.texts(), QStringList{"Do you want to keep the changes in sequence file ?"});
    w.dialogs.answers.enqueue(Dialogs::Answer::No);
    QVERIFY(w.window.close() && !w.window.isVisible());
    QCOMPARE(w.ws.SeqName.first(), QStringLiteral("NZ"));
}

void TestSequenceEditorWindow::setupMenuOpensTheEditorModally()
{
    MainWindow window;
    Rig rig(&window);
    window.attach(rig.app);
    rig.startUp(Fixtures::Ini().text());
    QString title;
    whenEditorShown([&title](SequenceEditorWindow *editor) {
        title = editor->windowTitle();
        editor->invoke("menuNew");
        editor->invoke("menuAccept");
    });
    window.action("menuEditSequence")->trigger(); // returns when the editor has closed
    QCOMPARE(title, QStringLiteral("Sequence File Editor - Untitled"));
    QCOMPARE(rig.ws.NumSeq, 4);
    QCOMPARE(rig.ws.SeqName.first(), QStringLiteral("NZ"));
    QCOMPARE(rig.ws.SeqDirty, 1);
}

void TestSequenceEditorWindow::editSequenceCommandOpensTheFile()
{
    MainWindow window;
    Rig rig(&window);
    window.attach(rig.app);
    rig.startUp(Fixtures::Ini().text());
    QDir::setCurrent(QStringLiteral(POINTRA_SOURCE_DIR));
    const QString file = QStringLiteral("data/templates/pnt64.seq");
    const ProgramOptions options = parseProgramArguments({"--edit-sequence", file});
    QVERIFY(options.editSequence);
    QString title;
    int rows = 0;
    whenEditorShown([&](SequenceEditorWindow *editor) {
        title = editor->windowTitle();
        rows = editor->grid()->model()->rowCount();
        editor->reject(); // nothing changed: closes without a question
    });
    QCOMPARE(runEditSequenceCommand(rig.app, options.sequenceFile), 0);
    QCOMPARE(title, "Sequence File Editor - " + file);
    QVERIFY(rows > 60);
    QCOMPARE(rig.ws.NumSeq, rows);
    QVERIFY(rig.dialogs.shown.isEmpty());
}

QTEST_MAIN(TestSequenceEditorWindow)
#include "tst_sequence_editor_window.moc"

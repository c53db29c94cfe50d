#include "app/sequence_editor_window.h"
#include "editor_rig.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <QTest>

class TestSequenceEditorWindow : public QObject
{
    Q_OBJECT
private slots:
    void showsTheEditorsRows();
    void keyboardEditsLikeASpreadsheet();
    void nameBoxAndTypeListEditTheRow();
    void closingAsksAboutChanges();
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

QTEST_MAIN(TestSequenceEditorWindow)
#include "tst_sequence_editor_window.moc"

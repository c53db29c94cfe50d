#pragma once

#include <QDialog>
#include <QHash>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QTableView;
class EditorGridModel;
class SequenceEditor;

// The Sequence File Editor window: menus, grid, name box, type list and sound buttons over a
// SequenceEditor, which holds every rule. Shown modally.
class SequenceEditorWindow final : public QDialog
{
    Q_OBJECT
public:
    explicit SequenceEditorWindow(SequenceEditor &editor, QWidget *parent = nullptr);
    ~SequenceEditorWindow() override;

    // Loads the editor and shows its state.
    void load();
    // Copies the editor's state onto the controls.
    void syncFromModel();
    // Runs the handler of a control and refreshes the window.
    void invoke(const QString &control);

    QAction *action(const QString &name) const { return m_actions.value(name); }
    QTableView *grid() const { return m_grid; }
    QLineEdit *nameBox() const { return m_nameText; }
    QListWidget *typeList() const { return m_typeList; }

public slots:
    // Escape and the window's close button go through the closing questions.
    void reject() override;

private:
    void buildMenus(QMenuBar *bar);
    QWidget *buildSidePanel();
    QWidget *buildSoundPanel();
    QLabel *addLabel(const char *name, const QString &text = QString());
    void onCurrentRowChanged(int viewRow);

    SequenceEditor &m_editor;
    EditorGridModel *m_gridModel = nullptr;
    QTableView *m_grid = nullptr;
    QLineEdit *m_nameText = nullptr;
    QListWidget *m_typeList = nullptr;
    QCheckBox *m_playAll = nullptr;
    QHash<QString, QAction *> m_actions;
    QHash<QString, QLabel *> m_labels;
    QHash<QString, QWidget *> m_soundWidgets;
    bool m_syncing = false;
    bool m_closing = false;
};

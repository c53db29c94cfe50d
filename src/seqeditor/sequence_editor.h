#pragma once

#include "seams/command_table.h"
#include "seams/ui_state.h"
#include "seqeditor/editor_sound.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

struct Workspace;
class Dialogs;
class WaveAudio;

// One grid row as the window shows it: sequence number, name, type.
struct EditorGridRow
{
    QString number, name, type;
    bool promptMissing = false; // sound on and no prompt to hear for this named row
};

// The Sequence File Editor without its window. It works on its own copy of the rows; the
// program's sequence changes only on Accept or Save. Menu handlers are in `commands` under the
// control names, window state in `ui`.
class SequenceEditor
{
public:
    static inline const QString CaptionPrefix = QStringLiteral("Sequence File Editor - ");
    static inline const QString Untitled = QStringLiteral("Untitled");
    // The type list, in its order.
    static const QStringList TypeItems;
    // The templates of File > Open, by control name, and their files in <AppPath>/Data.
    static const QStringList TemplateControls;
    static const QStringList TemplateFiles;

    // `setSound` switches Setup > Sound of the main window on or off.
    SequenceEditor(Workspace &ws, Dialogs &dialogs, WaveAudio &audio,
                   std::function<void(bool)> setSound);

    // Rows: grid row k (1-based, row 0 is the header) is index k-1 of these lists.
    QStringList EditName;
    QStringList EditCode;
    int EditCount = 0;
    int CurrentRow = 1;
    int EditorDirty = 0;
    // The editor's file and sound folder title; they become the program's on Accept or Save.
    QString SequenceFile;
    QString SequenceTitle;

    UiState ui;
    CommandTable commands;

    // Set by the window: close now (the closing questions have been answered).
    std::function<void()> closeWindow;
    // Set by the window: refresh after a change it did not start (a prompt ended).
    std::function<void()> changed;

    void Form_Load();
    // True when the window may close; asks about unkept changes.
    bool Form_Unload();
    // File > Close and the end of Accept.
    void unload();

    // Header row and one row per point, as RefreshGrid left them.
    const QVector<EditorGridRow> &grid() const { return m_grid; }
    void RefreshGrid();
    void LoadEditorFromSequence(const Workspace &source);
    void NewEditorSequence();
    void DeleteBlankRows();

    // The operator's actions; rows outside the allowed range are ignored without a message.
    void selectRow(int row);
    void setName(const QString &text);
    void chooseType(const QString &item);
    void clearType();
    void insertAbove();
    void insertBelow();
    void deleteRow();

    void menuNew_Click();
    void openTemplate(int which);
    void menuOpen_Click();
    // Open of a chosen path (extension check, read, prompts); true when the rows were replaced.
    bool openPath(const QString &path);
    void menuSaveAs_Click();
    void menuAccept_Click();
    void nenuClear_Click();

    void menuSoundEnabled_Click();
    void menuSoundDisabled_Click();
    void menuDeleteSound_Click();
    void recordClick();
    void stopClick();
    void PlayButton_Click();
    void setPlayAll(bool on);

    EditorSound &sound() { return m_sound; }

    // Reads a .seq file into `target` only when the whole file reads; errors go to the operator.
    static bool readSequence(const QString &path, Workspace &target, Dialogs &dialogs);
    // Makes `path` the program's sequence (rows, file, title, data folder), as File > Open does.
    static bool loadProgramSequence(const QString &path, Workspace &ws, Dialogs &dialogs);

private:
    void insertEmptyAt(int index);
    void copyRowsToProgram();
    void registerCommands();
    void markChanged();
    void markClean();
    void setCaption(const QString &file);
    void showRow(int row);
    void acceptRows();
    bool savePath(const QString &path);
    int currentIndex() const { return CurrentRow - 1; }

    Workspace &m_ws;
    Dialogs &m_dialogs;
    EditorSound m_sound;
    QVector<EditorGridRow> m_grid;
    int m_seqDirtyAtLoad = 0;
};

#include "sequence_editor_launch.h"

#include "app/sequence_editor_window.h"
#include "platform/widgets/qt_dialogs.h"
#include "seqeditor/sequence_editor.h"
#include "shell/app_core.h"

void openSequenceEditor(AppCore &app, QWidget *parent)
{
    Dialogs &dialogs = app.session.dialogs;
    SequenceEditor editor(app.ws, dialogs, app.audio,
                          [&app](bool on) { app.menus.setup.chooseSound(on); });
    SequenceEditorWindow window(editor, parent);
    // Messages of the editor belong over the editor, not behind it.
    auto *qtDialogs = dynamic_cast<QtDialogs *>(&dialogs);
    if (qtDialogs)
        qtDialogs->setParent(&window);
    window.load();
    window.exec();
    if (qtDialogs)
        qtDialogs->setParent(parent);
}

int runEditSequenceCommand(AppCore &app, const QString &sequenceFile)
{
    if (!sequenceFile.isEmpty())
        SequenceEditor::loadProgramSequence(sequenceFile, app.ws, app.session.dialogs);
    for (;;) {
        openSequenceEditor(app, nullptr);
        if (app.shell.Form_Unload())
            return 0;
        app.ws.ExitCancelled = 0;
    }
}

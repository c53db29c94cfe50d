#include "sequence_editor_launch.h"

#include "app/application.h"
#include "app/sequence_editor_window.h"
#include "platform/widgets/qt_dialogs.h"
#include "seqeditor/sequence_editor.h"

namespace {
const QString Option = QStringLiteral("--edit-sequence");
} // namespace

void openSequenceEditor(Application &app, QWidget *parent)
{
    Dialogs &dialogs = app.session.dialogs;
    SequenceEditor editor(app.ws, dialogs, app.audio,
                          [&app](bool on) { app.settings.chooseSound(on); });
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

bool isEditSequenceCommand(const QStringList &arguments)
{
    return !arguments.isEmpty() && arguments.first() == Option;
}

int runEditSequenceCommand(Application &app, const QStringList &arguments)
{
    if (arguments.size() > 2)
        return 2;
    if (arguments.size() == 2)
        SequenceEditor::loadProgramSequence(arguments.at(1), app.ws, app.session.dialogs);
    for (;;) {
        openSequenceEditor(app, nullptr);
        if (app.shell.Form_Unload())
            return 0;
        app.ws.ExitCancelled = 0;
    }
}

#include "shell_controller.h"

#include "commands/setup_commands.h"
#include "commands/setup_menus.h"
#include "data/app_paths.h"
#include "data/number_text.h"
#include "data/workspace.h"
#include "seams/command_table.h"
#include "seams/dialogs.h"
#include "seams/session.h"
#include "seams/shell_view.h"
#include "seams/ui_state.h"

#include <QDir>

void ShellController::Form_Load()
{
    for (const char *label : {"Counter", "Total", "DataLabel", "PictureLabel"})
        m_s.ui.setText(QString::fromLatin1(label), QString());
    m_s.ui.setEnabled(QStringLiteral("menuCalibration"), true);
    // Index and Using have no pages of their own; the Contents page covers both.
    for (const char *item : {"menuFiducials", "menuProbe", "menuEProbes", "menuShape",
                             "menuHelpIndex", "menuHelpUsing"})
        m_s.ui.setEnabled(QString::fromLatin1(item), false);
}

void ShellController::startUp(const QString &appPath)
{
    Form_Load();
    m_setup.ApplySettings(appPath);
    m_setup.ApplySerialSettings();
    SetupMenus::UpdateSetupMenus(m_s);
    {
        BusyScope busy(m_s.ui);
        m_setup.ApplySerialSettings();
    }
    removeTmpFolder();
}

bool ShellController::startInteractive()
{
    m_view.showMainWindow();
    return m_setup.InitializeDigitizer() != DigitizerSetup::InitResult::PortFailed;
}

void ShellController::removeTmpFolder()
{
    QDir tmp(AppPaths::tmpFolder(m_s.ws.AppPath));
    if (!tmp.exists())
        return;
    for (const QString &f : tmp.entryList(QDir::Files | QDir::Hidden | QDir::System))
        tmp.remove(f);
    tmp.removeRecursively();
}

// Returns the answer; Yes saves, No forgets, Cancel marks the exit as cancelled. A Yes whose
// save did not happen (dialog cancelled, disk full) keeps the data and cancels the exit.
int ShellController::askAndSave(const QString &question, int &flag, const QString &dataSet)
{
    const Dialogs::Answer a = m_s.dialogs.askYesNoCancel(question);
    if (a == Dialogs::Answer::Yes) {
        if (saveAs && saveAs(dataSet))
            flag = 0;
        else
            m_s.ws.ExitCancelled = 1;
    } else if (a == Dialogs::Answer::No) {
        flag = 0;
    } else {
        m_s.ws.ExitCancelled = 1;
    }
    return static_cast<int>(a);
}

bool ShellController::Form_Unload()
{
    Workspace &ws = m_s.ws;
    // A refusal from an earlier close must not block this one.
    ws.ExitCancelled = 0;
    constexpr int yes = static_cast<int>(Dialogs::Answer::Yes);
    int answer = -1;
    if (ws.SeqDirty == 1)
        answer = askAndSave(QStringLiteral("Do you want to save the sequence file ?"), ws.SeqDirty,
                            QStringLiteral("sequence"));
    if (answer != yes)
        removeTmpFolder();
    answer = -1;
    if (ws.ElectrodesDirty == 1)
        answer = askAndSave(QStringLiteral("Do you want to save the digitized electrode data ?"),
                            ws.ElectrodesDirty, QStringLiteral("electrodes"));
    if (answer != yes)
        m_view.closeHelp();
    if (ws.ShapeDirty == 1)
        askAndSave(QStringLiteral("Do you want to save the digitized shape data ?"), ws.ShapeDirty,
                   QStringLiteral("shape"));
    return ws.ExitCancelled != 1;
}

bool ShellController::newData()
{
    Workspace &ws = m_s.ws;
    ws.ExitCancelled = 0;
    const std::tuple<const char *, int *, const char *> questions[] = {
        {"Do you want to save the sequence file ?", &ws.SeqDirty, "sequence"},
        {"Do you want to save the digitized electrode data ?", &ws.ElectrodesDirty, "electrodes"},
        {"Do you want to save the digitized shape data ?", &ws.ShapeDirty, "shape"}};
    for (const auto &[question, flag, dataSet] : questions) {
        if (*flag == 1)
            askAndSave(QString::fromLatin1(question), *flag, QString::fromLatin1(dataSet));
        if (ws.ExitCancelled == 1) {
            ws.ExitCancelled = 0;
            return false;
        }
    }
    ws.resetData();
    for (QString *name : {&ws.DewarFile, &ws.CalibrationFile, &ws.FiducialsFile, &ws.ElectrodeFile,
                          &ws.ShapeFile, &ws.SequenceFile, &ws.SequenceTitle})
        name->clear();
    ws.SeqDirty = ws.ElectrodesDirty = ws.ShapeDirty = 0;
    if (m_s.updateView)
        m_s.updateView();
    SetupMenus::UpdateSetupMenus(m_s);
    return true;
}

void ShellController::setServiceMode(bool on)
{
    for (const QString &menu : ServiceMenus)
        m_s.ui.setVisible(menu, on);
}

void ShellController::exit()
{
    if (Form_Unload()) {
        m_view.quit();
        return;
    }
    m_s.ws.ExitCancelled = 0;
}

QString ShellController::aboutText()
{
    const QString cr(QChar(13));
    return QStringLiteral("Pointra v") + Str(5) + QStringLiteral(".") + Str(0) + cr + cr +
           QStringLiteral("Build") + QStringLiteral("  ") + QStringLiteral("051209") + cr + cr +
           QStringLiteral("Version ") + QStringLiteral(POINTRA_VERSION) + QStringLiteral(", Qt ") +
           QString::fromLatin1(qVersion());
}

void ShellController::showAbout()
{
    m_view.showAbout(aboutText());
}

void ShellController::showHelpContents()
{
    const QString file = AppPaths::helpFile(m_s.ws.AppPath);
    if (!m_view.showHelp(file))
        m_s.dialogs.show(QStringLiteral("The help file ") + QDir::toNativeSeparators(file) +
                         QStringLiteral(" could not be found."));
}

void ShellController::registerCommands(CommandTable &t)
{
    t.add(QStringLiteral("menuExit"), [this] { exit(); });
    t.add(QStringLiteral("menuNew"), [this] { newData(); });
    t.add(QStringLiteral("menuHelpAbout"), [this] { showAbout(); });
    t.add(QStringLiteral("menuHelpContents"), [this] { showHelpContents(); });
}

#include "display_commands.h"

#include "data/file_error.h"
#include "data/workspace.h"
#include "display/picture_file.h"
#include "display/scene_from_workspace.h"
#include "display/view_controls.h"
#include "seams/command_table.h"
#include "seams/dialogs.h"
#include "seams/session.h"
#include "seams/ui_state.h"

#include <QFileInfo>

using namespace ViewControls;

DisplayCommands::DisplayCommands(Session &session) : m_s(session)
{
    m_view.setSceneSource([this](int set) { return sceneFromWorkspace(m_s.ws, set); });
    m_view.setAzimuthDirectionSource(
        [this] { return azimuthDirectionOf(m_s.ws.settings.CoordinateSystem); });
    QObject::connect(&m_view, &PointView::dewarMessageRequested, &m_view,
                     [this] { m_s.dialogs.show(DewarMessage); });
    showPrompt = [this](const QString &text) { m_s.ui.setText(Prompt, text); };
    wizardButtonsOff = [this] {
        for (const QString &b : WizardButtons)
            m_s.ui.setEnabled(b, false);
    };

    UiState &ui = m_s.ui;
    for (const QString &panel : {Picture, PromptPanel, DisplayPanel, OptionPanel})
        ui.setVisible(panel, false);
    ui.setText(ZAxis, QStringLiteral("z-axis"));
    ui.setText(OptionCaption, QStringLiteral("Labels"));
    setOptions(QStringLiteral("ON"), QStringLiteral("OFF"), false);
    ShowViewButtons(0);
}

bool DisplayCommands::refused(int count)
{
    if (count != 0)
        return false;
    m_s.dialogs.show(NoData);
    return true;
}

void DisplayCommands::setOptions(const QString &on, const QString &off, bool onSelected)
{
    m_s.ui.setText(labelOption(1), on);
    m_s.ui.setText(labelOption(0), off);
    selectOption(onSelected ? 1 : 0);
}

void DisplayCommands::selectOption(int index)
{
    m_s.ui.setChecked(labelOption(1), index == 1);
    m_s.ui.setChecked(labelOption(0), index != 1);
}

bool DisplayCommands::inShapeMode() const
{
    return m_s.ui.value(labelOption(1)).text == QLatin1String("Display");
}

void DisplayCommands::SetHomeView(HomeForm form)
{
    m_view.setHome();
    UiState &ui = m_s.ui;
    ui.setVisible(Picture, true);
    if (form == HomeForm::Bare)
        return;
    ui.setVisible(DisplayPanel, true);
    const bool electrodes = m_view.state().DisplaySet == DisplaySets::Electrodes;
    ui.setVisible(PromptPanel, electrodes);
    ui.setVisible(OptionPanel, electrodes);
}

void DisplayCommands::ShowViewButtons(int flag)
{
    for (const Button &b : Buttons)
        m_s.ui.setEnabled(QString::fromLatin1(b.name), flag == 1);
    m_view.setInteractive(flag == 1);
}

void DisplayCommands::showDewar()
{
    if (refused(m_s.ws.NumShapePoints))
        return;
    m_s.ui.setText(DisplayCaption, QStringLiteral("Display of dewar data"));
    SetHomeView();
    m_view.state().DisplaySet = DisplaySets::Dewar;
    m_view.dataChanged();
}

void DisplayCommands::showCalibration()
{
    if (refused(m_s.ws.sensors.NumSensors))
        return;
    m_s.ui.setText(DisplayCaption, QStringLiteral("Display of calibration data"));
    SetHomeView();
}

void DisplayCommands::showFiducials()
{
    if (refused(m_s.ws.ReceiverCount))
        return;
    m_s.ui.setText(DisplayCaption, QStringLiteral("Display of fiducials data"));
    SetHomeView();
    m_view.state().DisplaySet = DisplaySets::FiducialSets;
    redrawReportingStations();
}

void DisplayCommands::redrawReportingStations()
{
    m_view.dataChanged();
    m_view.redraw();
    m_view.renderNow();
    const QStringList problems = m_view.lastDraw().problems;
    if (!problems.isEmpty())
        m_s.dialogs.show(crJoin(problems));
}

void DisplayCommands::showProbe()
{
    if (refused(m_s.ws.sensors.NumSensors))
        return;
    m_s.ui.setText(DisplayCaption, QStringLiteral("Display of probe data"));
    SetHomeView();
    m_view.state().DisplaySet = DisplaySets::Probe;
    m_view.dataChanged();
    m_view.redraw();
}

void DisplayCommands::showElectrodes()
{
    if (refused(m_s.ws.sensors.NumSensors))
        return;
    UiState &ui = m_s.ui;
    m_view.state().HoldActive = 1;
    ShowViewButtons(1);
    ui.setText(OptionCaption, QStringLiteral("Labels"));
    setOptions(QStringLiteral("ON"), QStringLiteral("OFF"), false);
    ui.setVisible(OptionPanel, true);
    ui.setText(DisplayCaption, QStringLiteral("Electrodes"));
    m_view.state().DisplaySet = DisplaySets::Electrodes;
    SetHomeView();
    ui.setVisible(PromptPanel, false);
    m_view.setLabelsShown(false);
    m_view.dataChanged();
    m_view.redraw();
}

void DisplayCommands::showShape()
{
    if (refused(m_s.ws.NumShapePoints))
        return;
    UiState &ui = m_s.ui;
    m_view.setLabelsShown(false);
    ui.setVisible(OptionPanel, false);
    m_view.state().HoldActive = 1;
    ShowViewButtons(1);
    ui.setVisible(PicturePrompt, false);
    ui.setText(DisplayCaption, QStringLiteral("Shape"));
    m_view.state().DisplaySet = DisplaySets::Shape;
    SetHomeView();
    m_view.dataChanged();
    m_view.redraw();
}

void DisplayCommands::clear()
{
    UiState &ui = m_s.ui;
    m_view.setLabelsShown(false);
    for (const QString &c : {DisplayPanel, PromptPanel, Picture})
        ui.setVisible(c, false);
    if (wizardButtonsOff)
        wizardButtonsOff();
    ui.setVisible(Prompt, false);
    ShowViewButtons(0);
}

void DisplayCommands::showEmptyDisplay()
{
    m_s.ui.setVisible(PromptPanel, false);
    m_s.ui.setVisible(DisplayPanel, true);
    m_view.setHome();
    m_s.ui.setVisible(Picture, true);
    m_view.drawCubeOnly();
}

void DisplayCommands::chooseProbes(bool with)
{
    m_s.ui.setChecked(QStringLiteral("menuWithProbes"), with);
    m_s.ui.setChecked(QStringLiteral("menuWithoutProbes"), !with);
}

QString DisplayCommands::stylusInstructions() const
{
    return shapeStylusInstructions(m_s.ws.settings.Digitizer);
}

void DisplayCommands::chooseLabelOption(int index)
{
    if (!inShapeMode()) {
        if (m_s.ws.sensors.NumSensors < 1)
            return;
        selectOption(index == 1 ? 1 : 0);
        m_view.setLabelsShown(index == 1);
        return;
    }
    if (index != 1) {
        const QString instructions = stylusInstructions();
        if (!instructions.isEmpty() && showPrompt)
            showPrompt(instructions);
        selectOption(0);
        m_view.state().HoldActive = 0;
        ShowViewButtons(0);
        return;
    }
    if (m_s.ws.NumShapePoints == 0) {
        m_s.dialogs.show(NoValues);
        return;
    }
    if (showPrompt)
        showPrompt(QStringLiteral("Displaying digitized points"));
    selectOption(1);
    m_view.state().HoldActive = 1;
    ShowViewButtons(1);
    if (m_view.state().DisplaySet == DisplaySets::Shape)
        m_view.redraw();
}

void DisplayCommands::home()
{
    if (m_view.state().HoldActive == 0)
        return;
    m_view.home();
    m_s.ui.setVisible(Picture, true);
}

bool DisplayCommands::exportPicture()
{
    if (!m_s.ui.value(Picture).visible || m_view.content() == PointView::Content::Empty) {
        m_s.dialogs.show(QStringLiteral("There is no picture to export."));
        return false;
    }
    Dialogs::FileRequest r{QStringLiteral("Export Picture"), PictureFilter, 1, m_s.ws.DataPath, {}};
    const auto name = m_s.dialogs.saveFileName(r);
    if (!name || name->isEmpty())
        return false;
    QString path = *name;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    if (QFileInfo::exists(path) &&
        m_s.dialogs.message(QStringLiteral("Do you want to overwrite existing file?"),
                            Dialogs::QuestionTitle, Dialogs::Buttons::YesNo,
                            Dialogs::Icon::Question, Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return false;
    return exportPictureTo(path);
}

bool DisplayCommands::exportPictureTo(const QString &path)
{
    try {
        savePicture(path, m_view.picture());
    } catch (const FileError &e) {
        m_s.dialogs.message(e.message(), QStringLiteral("Error saving file"), Dialogs::Buttons::Ok,
                            Dialogs::Icon::Warning, Dialogs::Answer::Ok);
        return false;
    }
    return true;
}

void DisplayCommands::displayElectrodes(bool labelsOn)
{
    UiState &ui = m_s.ui;
    const bool onDisplay = m_view.state().DisplaySet == DisplaySets::Electrodes &&
                           ui.value(Picture).visible &&
                           m_view.content() == PointView::Content::Scene;
    ui.setText(OptionCaption, QStringLiteral("Labels"));
    setOptions(QStringLiteral("ON"), QStringLiteral("OFF"), labelsOn);
    ui.setText(DisplayCaption, QStringLiteral("Electrodes"));
    m_view.state().DisplaySet = DisplaySets::Electrodes;
    if (!onDisplay)
        SetHomeView();
    ui.setVisible(DisplayPanel, true);
    ui.setVisible(OptionPanel, true);
    m_view.state().HoldActive = 1;
    ShowViewButtons(1);
    m_view.setLabelsShown(labelsOn);
    m_view.dataChanged();
    m_view.redraw();
}

void DisplayCommands::enterShapeMode()
{
    m_s.ui.setText(OptionCaption, QString());
    setOptions(QStringLiteral("Display"), QStringLiteral("Digitize"), false);
    m_s.ui.setVisible(OptionPanel, true);
}

void DisplayCommands::displayShape()
{
    UiState &ui = m_s.ui;
    m_view.setLabelsShown(false);
    ui.setText(DisplayCaption, QStringLiteral("Shape"));
    m_view.state().DisplaySet = DisplaySets::Shape;
    SetHomeView();
    ui.setVisible(OptionPanel, inShapeMode());
    const bool displaying = !inShapeMode() || ui.value(labelOption(1)).checked;
    m_view.state().HoldActive = displaying ? 1 : 0;
    ShowViewButtons(displaying ? 1 : 0);
    m_view.dataChanged();
    m_view.redraw();
}

void DisplayCommands::registerCommands(CommandTable &t)
{
    t.add(QStringLiteral("menuDDewar"), [this] { showDewar(); });
    t.add(QStringLiteral("menuDCalibration"), [this] { showCalibration(); });
    t.add(QStringLiteral("menuDFiducials"), [this] { showFiducials(); });
    t.add(QStringLiteral("menuDProbe"), [this] { showProbe(); });
    t.add(QStringLiteral("menuDisplayEProbe"), [this] { showElectrodes(); });
    t.add(QStringLiteral("menuDShape"), [this] { showShape(); });
    t.add(QStringLiteral("menuDClear"), [this] { clear(); });
    t.add(QStringLiteral("menuShowDisplay"), [this] { showEmptyDisplay(); });
    t.add(QStringLiteral("menuWithProbes"), [this] { chooseProbes(true); });
    t.add(QStringLiteral("menuWithoutProbes"), [this] { chooseProbes(false); });
    t.add(labelOption(0), [this] { chooseLabelOption(0); });
    t.add(labelOption(1), [this] { chooseLabelOption(1); });
    t.add(Home, [this] { home(); });
    t.add(QStringLiteral("menuExportPicture"), [this] { exportPicture(); });
}

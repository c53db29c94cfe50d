#pragma once

#include "display/point_view.h"

#include <QString>
#include <QStringList>
#include <functional>

struct Session;
class CommandTable;

// The Display and Visualize menus, the LabelOption group, cmdHome, File > Export Picture, and
// the display operations the measurement steps call. The point view's state stays here, so
// everything runs headless; the window shows view() and mirrors the UiState.
class DisplayCommands
{
public:
    // SetHomeView of the Display menu sets the panels; the dewar and probe steps' form does not.
    enum class HomeForm { Panels, Bare };

    static inline const QString NoData = QStringLiteral("No data to display");
    static inline const QString NoValues = QStringLiteral("No values to display");
    static inline const QString PictureFilter = QStringLiteral("PNG Picture (*.png)|*.png");
    // The buttons of the measurement wizard that menuDClear switches off.
    static inline const QStringList WizardButtons = {
        QStringLiteral("AcceptButton"), QStringLiteral("BackButton"),
        QStringLiteral("RepeatButton"), QStringLiteral("NextButton"),
        QStringLiteral("CancelButton")};

    explicit DisplayCommands(Session &session);
    void registerCommands(CommandTable &table);
    PointView &view() { return m_view; }

    // Display menu.
    void showDewar();        // menuDDewar
    void showCalibration();  // menuDCalibration
    void showFiducials();    // menuDFiducials
    void showProbe();        // menuDProbe
    void showElectrodes();   // menuDisplayEProbe
    void showShape();        // menuDShape
    void clear();            // menuDClear
    void showEmptyDisplay(); // Test > ShowDisplay (menuShowDisplay)
    // Visualize > With Probes / Without Probes.
    void chooseProbes(bool with);
    // A click on LabelOption(index).
    void chooseLabelOption(int index);
    void home(); // cmdHome
    // File > Export Picture: asks for the file; false when nothing was written.
    bool exportPicture();
    bool exportPictureTo(const QString &path);

    // For the measurement steps.
    void SetHomeView(HomeForm form = HomeForm::Panels);
    void ShowViewButtons(int flag);
    // The electrode set on display (data set 6) with its labels on or off; the view is kept
    // when the electrodes are already on display (a point digitized again).
    void displayElectrodes(bool labelsOn);
    // The LabelOption group in head-shape mode: "Display" / "Digitize", Digitize selected.
    void enterShapeMode();
    bool inShapeMode() const;
    // The head shape on display (data set 5), keeping the head-shape options; the buttons
    // follow the option selected.
    void displayShape();
    // Points were added, removed or read: the view re-reads them (redraws are batched).
    void dataChanged() { m_view.dataChanged(); }

    // The prompt of the measurement steps (stylus instructions of the head-shape options);
    // by default the text goes to Label1.
    std::function<void(const QString &)> showPrompt;
    // menuDClear switches the wizard's buttons off through this; by default it disables them.
    std::function<void()> wizardButtonsOff;

private:
    bool refused(int count);
    void setOptions(const QString &on, const QString &off, bool onSelected);
    void selectOption(int index);
    void redrawReportingStations();
    QString stylusInstructions() const;

    Session &m_s;
    PointView m_view;
};

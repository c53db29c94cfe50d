#include "wizard_dock.h"

#include "app/main_window.h"
#include "app/wizard_panel.h"
#include "display/point_view.h"
#include "shell/app_core.h"

#include <QDockWidget>

WizardPanel *addWizardDock(MainWindow &window, AppCore &app)
{
    auto *panel = new WizardPanel;
    auto *dock = new QDockWidget(QStringLiteral("Measurement"), &window);
    dock->setObjectName(QStringLiteral("MeasurementDock"));
    // The operator cannot lose the panel by closing or floating it.
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock->setWidget(panel);
    window.addDockWidget(Qt::TopDockWidgetArea, dock);

    panel->invoke = [&window](const QString &control) { window.invoke(control); };
    panel->poll = [&window, &app] {
        app.wizard.poll();
        window.syncFromState();
    };
    panel->nameClicked = [&window, &app](int electrode) {
        app.wizard.RedigitizePoint(electrode);
        window.syncFromState();
    };
    panel->nameSelected = [&app](int electrode) { app.wizard.selectPoint(electrode); };
    // The result is data set 6 in the 3-D view with its name labels, which re-digitize on a click.
    panel->showElectrodes = [&app] { app.menus.display.displayElectrodes(true); };
    QObject::connect(&app.menus.display.view(), &PointView::nameLabelClicked, panel,
                     [&window, &app](int electrode) {
                         if (app.wizard.state.Step != 6)
                             return;
                         app.wizard.RedigitizePoint(electrode);
                         window.syncFromState();
                     });
    panel->background = [&window](bool white) {
        QPalette p = window.palette();
        p.setColor(QPalette::Window, white ? QColor(0xFF, 0xFF, 0xFF) : QColor(0x80, 0x80, 0x80));
        window.setPalette(p);
    };
    panel->clearElectrodes = [&app] { app.menus.display.clear(); };
    panel->sequenceClicked = [&window, &app](int sequence) {
        app.wizard.selectSequence(sequence);
        window.syncFromState();
    };
    // Head shape: data set 5 on display, drawn again as points stream in.
    panel->shapeShown = [&app](bool on) {
        if (!on)
            return;
        app.menus.display.enterShapeMode();
        app.menus.display.displayShape();
    };
    panel->sequencesChanged = [&window, &app](const std::vector<int> &starts, int selected) {
        PointView &view = app.menus.display.view();
        view.setShapeSequences(starts, selected);
        view.dataChanged();
        window.syncFromState();
    };
    app.wizard.setView(panel);
    return panel;
}

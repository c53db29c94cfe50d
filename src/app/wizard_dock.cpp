#include "wizard_dock.h"

#include "app/main_window.h"
#include "app/wizard_panel.h"
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
    // Until the 3-D view draws data set 6, the electrode listing shows the result.
    panel->showElectrodes = [&app] { app.menus.views.show(QStringLiteral("Electrode Data")); };
    panel->background = [&window](bool white) {
        QPalette p = window.palette();
        p.setColor(QPalette::Window, white ? QColor(0xFF, 0xFF, 0xFF) : QColor(0x80, 0x80, 0x80));
        window.setPalette(p);
    };
    app.wizard.setView(panel);
    return panel;
}

#pragma once

class AppCore;
class MainWindow;
class WizardPanel;

// Puts the measurement panel into the window and connects it to the wizard of `app`.
WizardPanel *addWizardDock(MainWindow &window, AppCore &app);

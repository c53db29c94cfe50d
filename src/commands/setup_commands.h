#pragma once

#include "data/digitizer_models.h"
#include "digitizer/digitizer_setup.h"

#include <QString>

struct Session;
class CommandTable;

// The Setup menu, the receiver items, the INI items of Development and Simulated Run.
class SetupCommands
{
public:
    explicit SetupCommands(Session &session) : m_s(session) {}

    void registerCommands(CommandTable &table);

    // Start-up: read and check the settings, set the working values and paths.
    void ApplySettings(const QString &appPath);
    void ReadSettingsFile();
    // Rewrites pointra.ini; a failure is told to the operator once per run.
    void WriteSettingsFile();
    // Port and line settings of the model, with the Baude Rate check mark.
    void ApplySerialSettings();
    // The model's configuration sequence with the hourglass; a one-station ISOTRAK switches
    // the receiver choice to No Receivers.
    DigitizerSetup::InitResult InitializeDigitizer();

    void chooseDigitizer(DigitizerModel model);
    void chooseCoordinates(const QString &system);
    void chooseDecimalPoint(const QString &point);
    void chooseCommPort(int port);
    void chooseHemisphere(const QString &vector);
    void chooseSound(bool on);
    void chooseBaudRate(int baud);
    void askMinimumStep();
    void askPointDelay();
    void simulatedRun();

private:
    QString iniPath() const;
    Session &m_s;
    bool m_warnedUnsaved = false;
};

#pragma once

#include <QString>

struct Session;
class CommandTable;

// The Setup menu, the receiver items, the INI items of Development and Simulated Run.
class SettingsController
{
public:
    explicit SettingsController(Session &session) : m_s(session) {}

    void registerCommands(CommandTable &table);

    // Start-up: read and check the settings, set the working values and paths.
    void ApplySettings(const QString &appPath);
    void ReadSettingsFile();
    // Rewrites pointra.ini; a failure is told to the operator once per run.
    void WriteSettingsFile();

    void chooseDigitizer(const QString &type);
    void chooseCoordinates(const QString &system);
    void chooseDecimalPoint(const QString &point);
    void chooseCommPort(int port);
    void chooseHemisphere(const QString &vector);
    void chooseSound(bool on);
    void menuStep_Click();
    void menuDelay_Click();
    void menuDummyRun_Click();

private:
    QString iniPath() const;
    Session &m_s;
    bool m_warnedUnsaved = false;
};

#include "setup_commands.h"

#include "commands/setup_menus.h"
#include "data/app_paths.h"
#include "data/number_text.h"
#include "data/settings_file.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "seams/command_table.h"
#include "seams/controls.h"
#include "seams/dialogs.h"
#include "seams/serial_link.h"
#include "seams/session.h"
#include "seams/ui_state.h"

#include <QDir>

using namespace SetupMenus;

QString SetupCommands::iniPath() const
{
    return AppPaths::settingsFile(m_s.ws.AppPath);
}

void SetupCommands::ReadSettingsFile()
{
    SettingsFile::read(iniPath(), m_s.ws.settings);
}

void SetupCommands::WriteSettingsFile()
{
    QString error;
    if (SettingsFile::write(iniPath(), m_s.ws.settings, error) || m_warnedUnsaved)
        return;
    m_warnedUnsaved = true;
    m_s.dialogs.show(
        crJoin({QStringLiteral("The settings could not be saved to ") +
                    QDir::toNativeSeparators(iniPath()) + QStringLiteral(":"),
                error, QStringLiteral("The change is kept until Pointra is closed.")}));
}

void SetupCommands::ApplySettings(const QString &appPath)
{
    Workspace &ws = m_s.ws;
    Settings &st = ws.settings;
    ws.SoundEnabled = 0;
    ws.ReceiverCount = -1;
    ws.AppPath = appPath;
    ReadSettingsFile();
    ws.CurrentView = QStringLiteral("Clear View");
    if (!isDevice(st.Digitizer)) {
        st.Digitizer = DigitizerModel::NoDigitizer;
        m_s.dialogs.show(
            crJoin({QStringLiteral("No supported Digitizer Type has been selected."), QString(),
                    QStringLiteral("Please select Digitizer Type from the Setup menu.")}));
    }
    if (st.CoordinateSystem != QLatin1String("BESA") &&
        st.CoordinateSystem != QLatin1String("TEVO") &&
        st.CoordinateSystem != QLatin1String("Curry")) {
        st.CoordinateSystem = QStringLiteral("TEVO");
        m_s.dialogs.show(QStringLiteral("Coordinate System is set to TEVO (default)."));
    }
    UpdateHemisphereMenu(m_s);
    UpdateCommPortMenu(m_s);
    if (st.SoundSetting == QLatin1String("ON")) {
        ws.SoundEnabled = 1;
    } else {
        ws.SoundEnabled = 0;
        st.SoundSetting = QStringLiteral("OFF");
    }
    m_s.ui.checkOnly(SoundItems, ws.SoundEnabled ? SoundItems[0] : SoundItems[1]);
    ws.resetData();
    ws.DataPath = QDir(appPath).filePath(QStringLiteral("Data"));
    m_s.ui.dialogFolder = ws.DataPath;
    ws.MinStepDistance = 0.5;
    ws.PointDelay = 100;
    ws.SeqDirty = ws.ElectrodesDirty = ws.ShapeDirty = ws.ExitCancelled = 0;
    ws.NumSeq = 0;
}

void SetupCommands::ApplySerialSettings()
{
    checkBaudItem(m_s, DigitizerSetup::ApplySerialSettings(m_s));
}

DigitizerSetup::InitResult SetupCommands::InitializeDigitizer()
{
    BusyScope busy(m_s.ui);
    const DigitizerSetup::InitResult result = DigitizerSetup::InitializeDigitizer(m_s);
    if (result == DigitizerSetup::InitResult::OneStationIsotrak) {
        selectReceivers(m_s, 0);
        m_s.ui.setEnabled(ReceiverItems[1], false);
    }
    return result;
}

void SetupCommands::chooseDigitizer(DigitizerModel model)
{
    if (m_s.link.isOpen())
        m_s.link.close();
    m_s.ws.settings.Digitizer = model;
    WriteSettingsFile();
    m_s.ws.ReceiverCount = -1;
    UpdateSetupMenus(m_s);
    // The new model speaks at its own rate and needs its own configuration.
    ApplySerialSettings();
    InitializeDigitizer();
}

void SetupCommands::chooseCoordinates(const QString &system)
{
    const QString item = QStringLiteral("menuCoordinates") + system;
    if (!m_s.ui.value(item).checked && m_s.ws.sensors.NumSensors != 0) {
        m_s.dialogs.show(crJoin(
            {QStringLiteral("Cannot change Coordinate System with data in memory."), QString(),
             QStringLiteral(
                 "Please restart Pointra and select Coordinate System from the Setup menu"),
             QStringLiteral("before loading data.")}));
        return;
    }
    m_s.ws.settings.CoordinateSystem = system;
    WriteSettingsFile();
    UpdateSetupMenus(m_s);
}

void SetupCommands::chooseDecimalPoint(const QString &point)
{
    const QString item = QStringLiteral("menuDecimalPoint") + point;
    if (m_s.ui.value(item).checked)
        return;
    m_s.ui.checkOnly(DecimalItems, item);
    m_s.ws.settings.DecimalPoint = point;
    WriteSettingsFile();
    if (m_s.updateView)
        m_s.updateView();
}

void SetupCommands::chooseCommPort(int port)
{
    m_s.ws.settings.CommPort = port;
    WriteSettingsFile();
    UpdateCommPortMenu(m_s);
    ApplySerialSettings();
}

void SetupCommands::chooseHemisphere(const QString &vector)
{
    m_s.ws.settings.Hemisphere = vector;
    WriteSettingsFile();
    UpdateHemisphereMenu(m_s);
    InitializeDigitizer();
}

void SetupCommands::chooseSound(bool on)
{
    m_s.ws.SoundEnabled = on ? 1 : 0;
    m_s.ws.settings.SoundSetting = on ? QStringLiteral("ON") : QStringLiteral("OFF");
    WriteSettingsFile();
    m_s.ui.checkOnly(SoundItems, on ? SoundItems[0] : SoundItems[1]);
}

void SetupCommands::chooseBaudRate(int baud)
{
    const QString settings = DigitizerSetup::SetBaudRate(m_s, baud);
    if (!settings.isEmpty())
        checkBaudItem(m_s, settings);
}

void SetupCommands::askMinimumStep()
{
    for (;;) {
        const auto answer = m_s.dialogs.inputBox(
            QStringLiteral("Enter a value between 0.1 and 2 (cm)"),
            QStringLiteral("Minimum Stepping Distance"), Str(m_s.ws.MinStepDistance));
        if (!answer || answer->trimmed().isEmpty())
            return;
        const std::optional<double> v = readWholeNumber(*answer);
        if (v && *v >= 0.1 && *v <= 2.0) {
            m_s.ws.MinStepDistance = *v;
            return;
        }
        m_s.dialogs.show(QStringLiteral("Please select a valid number"));
    }
}

void SetupCommands::askPointDelay()
{
    constexpr int MostMs = 5000;
    for (;;) {
        const auto answer = m_s.dialogs.inputBox(
            QStringLiteral("Enter an integer for the delay (msec)"),
            QStringLiteral("Time delay between digitized points (msec)"), Str(m_s.ws.PointDelay));
        if (!answer || answer->trimmed().isEmpty())
            return;
        const std::optional<double> v = readWholeNumber(*answer);
        if (v && *v >= 0 && *v <= MostMs) {
            m_s.ws.PointDelay = roundToInt(*v);
            return;
        }
        m_s.dialogs.show(
            QStringLiteral("Please enter a delay between 0 and %1 milliseconds.").arg(MostMs));
    }
}

void SetupCommands::simulatedRun()
{
    m_s.ws.settings.Digitizer = DigitizerModel::Dummy;
    UpdateSetupMenus(m_s);
}

void SetupCommands::registerCommands(CommandTable &t)
{
    for (DigitizerModel model : deviceModels())
        t.add(digitizerItem(model), [this, model] { chooseDigitizer(model); });
    for (const QString &sys :
         {QStringLiteral("TEVO"), QStringLiteral("BESA"), QStringLiteral("Curry")})
        t.add(QStringLiteral("menuCoordinates") + sys, [this, sys] { chooseCoordinates(sys); });
    for (const QString &p : {QStringLiteral("Period"), QStringLiteral("Comma")})
        t.add(QStringLiteral("menuDecimalPoint") + p, [this, p] { chooseDecimalPoint(p); });
    for (int port = 1; port <= 4; ++port)
        t.add(CommPortItems[port - 1], [this, port] { chooseCommPort(port); });
    for (int i = 0; i < HemisphereItems.size(); ++i) {
        const QString v = HemisphereVectors[i];
        t.add(HemisphereItems[i], [this, v] { chooseHemisphere(v); });
    }
    for (int r = 0; r < ReceiverItems.size(); ++r)
        t.add(ReceiverItems[r], [this, r] { selectReceivers(m_s, r); });
    t.add(QStringLiteral("menuStep"), [this] { askMinimumStep(); });
    t.add(QStringLiteral("menuDelay"), [this] { askPointDelay(); });
    t.add(QStringLiteral("menuSoundON"), [this] { chooseSound(true); });
    t.add(QStringLiteral("menuSoundOFF"), [this] { chooseSound(false); });
    const int rates[] = {9600, 19200, 38400, 57600, 115200};
    for (int i = 0; i < 5; ++i) {
        const int baud = rates[i];
        t.add(BaudItems[i], [this, baud] { chooseBaudRate(baud); });
    }
    t.add(QStringLiteral("menuInitialize"), [this] { InitializeDigitizer(); });
    t.add(QStringLiteral("menuOpenINI"), [this] { ReadSettingsFile(); });
    t.add(QStringLiteral("menuSaveINI"), [this] { WriteSettingsFile(); });
    t.add(QStringLiteral("menuViewINI"),
          [this] { m_s.ui.setText(Controls::IniStrings, m_s.ws.settings.Hemisphere); });
    t.add(QStringLiteral("menuClearINI"), [this] { m_s.ui.setText(Controls::IniStrings, {}); });
    t.add(QStringLiteral("menuDummyRun"), [this] { simulatedRun(); });
}

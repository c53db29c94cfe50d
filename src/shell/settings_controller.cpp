#include "settings_controller.h"

#include "data/number_text.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "digitizer/serial_link.h"
#include "seams/command_table.h"
#include "seams/dialogs.h"
#include "seams/session.h"
#include "seams/ui_state.h"
#include "shell/app_paths.h"
#include "shell/settings_file.h"
#include "shell/setup_menus.h"

#include <QDir>

using namespace SetupMenus;

QString SettingsController::iniPath() const
{
    return AppPaths::settingsFile(m_s.ws.AppPath);
}

void SettingsController::ReadSettingsFile()
{
    SettingsFile::read(iniPath(), m_s.ws.settings);
}

void SettingsController::WriteSettingsFile()
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

void SettingsController::ApplySettings(const QString &appPath)
{
    Workspace &ws = m_s.ws;
    Settings &st = ws.settings;
    ws.SoundEnabled = 0;
    ws.nReceivers = -1;
    ws.AppPath = appPath;
    ReadSettingsFile();
    ws.CurrentView = QStringLiteral("Clear View");
    if (!isModel(st.DigitizerType)) {
        st.DigitizerType = QStringLiteral("No Digitizer");
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
    ws.SeqDirty = ws.SetDirtyEletrodes = ws.SetDirtyShape = ws.ExitCancelled = 0;
    ws.NumSeq = 0;
}

void SettingsController::chooseDigitizer(const QString &type)
{
    if (m_s.link.isOpen())
        m_s.link.close();
    m_s.ws.settings.DigitizerType = type;
    WriteSettingsFile();
    m_s.ws.nReceivers = -1;
    UpdateSetupMenus(m_s);
}

void SettingsController::chooseCoordinates(const QString &system)
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

void SettingsController::chooseDecimalPoint(const QString &point)
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

void SettingsController::chooseCommPort(int port)
{
    m_s.ws.settings.nCommPort = port;
    WriteSettingsFile();
    UpdateCommPortMenu(m_s);
    DigitizerSetup::ApplySerialSettings(m_s);
}

void SettingsController::chooseHemisphere(const QString &vector)
{
    m_s.ws.settings.Hemisphere = vector;
    WriteSettingsFile();
    UpdateHemisphereMenu(m_s);
    DigitizerSetup::InitializeDigitizer(m_s);
}

void SettingsController::chooseSound(bool on)
{
    m_s.ws.SoundEnabled = on ? 1 : 0;
    m_s.ws.settings.SoundSetting = on ? QStringLiteral("ON") : QStringLiteral("OFF");
    WriteSettingsFile();
    m_s.ui.checkOnly(SoundItems, on ? SoundItems[0] : SoundItems[1]);
}

void SettingsController::menuStep_Click()
{
    const auto answer = m_s.dialogs.inputBox(QStringLiteral("Enter a value between 0.1 and 2 (cm)"),
                                             QStringLiteral("Minimum Stepping Distance"),
                                             Str(m_s.ws.MinStepDistance));
    if (!answer || answer->isEmpty())
        return;
    const double v = readNumber(*answer);
    if (v >= 0.1 && v <= 2.0)
        m_s.ws.MinStepDistance = v;
    else
        m_s.dialogs.show(QStringLiteral("Please select a valid number"));
}

void SettingsController::menuDelay_Click()
{
    const auto answer = m_s.dialogs.inputBox(
        QStringLiteral("Enter an integer for the delay (msec)"),
        QStringLiteral("Time delay between digitized points (msec)"), Str(m_s.ws.PointDelay));
    if (!answer || answer->isEmpty())
        return;
    m_s.ws.PointDelay = roundToInt(readNumber(*answer));
}

void SettingsController::menuDummyRun_Click()
{
    m_s.ws.settings.DigitizerType = QStringLiteral("dummy");
    UpdateSetupMenus(m_s);
}

void SettingsController::registerCommands(CommandTable &t)
{
    for (const QString &type :
         {QStringLiteral("ISOTRAK"), QStringLiteral("PATRIOT"), QStringLiteral("FASTRAK")})
        t.add(QStringLiteral("menuDigitizer") + type, [this, type] { chooseDigitizer(type); });
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
    t.add(QStringLiteral("menuStep"), [this] { menuStep_Click(); });
    t.add(QStringLiteral("menuDelay"), [this] { menuDelay_Click(); });
    t.add(QStringLiteral("menuSoundON"), [this] { chooseSound(true); });
    t.add(QStringLiteral("menuSoundOFF"), [this] { chooseSound(false); });
    const int rates[] = {9600, 19200, 38400, 57600, 115200};
    for (int i = 0; i < 5; ++i) {
        const int baud = rates[i];
        t.add(DigitizerSetup::BaudItems[i],
              [this, baud] { DigitizerSetup::SetBaudRate(m_s, baud); });
    }
    t.add(QStringLiteral("menuInitialize"), [this] { DigitizerSetup::InitializeDigitizer(m_s); });
    t.add(QStringLiteral("menuOpenINI"), [this] { ReadSettingsFile(); });
    t.add(QStringLiteral("menuSaveINI"), [this] { WriteSettingsFile(); });
    t.add(QStringLiteral("menuViewINI"),
          [this] { m_s.ui.setText(QStringLiteral("Label4"), m_s.ws.settings.Hemisphere); });
    t.add(QStringLiteral("menuClearINI"), [this] { m_s.ui.setText(QStringLiteral("Label4"), {}); });
    t.add(QStringLiteral("menuDummyRun"), [this] { menuDummyRun_Click(); });
}

#include "service_commands.h"

#include "commands/file_commands.h"
#include "commands/service_dumps.h"
#include "data/electrode_file.h"
#include "data/file_error.h"
#include "data/number_text.h"
#include "data/text_out.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "seams/clock.h"
#include "seams/command_table.h"
#include "seams/dialogs.h"
#include "seams/event_pump.h"
#include "seams/serial_link.h"
#include "seams/session.h"

#include <QDir>

const QList<ServiceCommands::Query> &ServiceCommands::queries()
{
    static const QList<Query> table = {
        {QStringLiteral("menuIsotrakS"), "S", 300, 0},
        {QStringLiteral("menuIsotrakP"), "P", 300, 0},
        {QStringLiteral("menuPATRIOTZ"), "\x1a\r", 300, 0},
        {QStringLiteral("menuPatriotP"), "P", 300, 0},
        {QStringLiteral("menuFastrakS"), "S", 300, 0},
        {QStringLiteral("menuFastrakP"), "P", 300, 0},
        {QStringLiteral("menuIsotrakStations"), "l\r", 300, 0},
        {QStringLiteral("menuFastrakState01"), "l1\r", 300, 1},
        {QStringLiteral("menuFastrakState02"), "l2\r", 300, 2},
        {QStringLiteral("menuFastrakState03"), "l3\r", 300, 3},
        {QStringLiteral("menuFastrakState04"), "l4\r", 300, 4},
        {QStringLiteral("menuFO1"), "O1\r", 200, 0},
        {QStringLiteral("menuFO2"), "O2\r", 200, 0},
        {QStringLiteral("menuFO3"), "O3\r", 200, 0},
        {QStringLiteral("menuFO4"), "O4\r", 200, 0},
        {QStringLiteral("menuHem"), "P", 400, 0},
    };
    return table;
}

QString ServiceCommands::appFile(const QString &name) const
{
    return QDir(m_s.ws.AppPath).filePath(name);
}

QString ServiceCommands::manualQuery(const Query &q)
{
    if (!DigitizerSetup::ensureOpen(m_s))
        return {};
    m_s.link.write(q.command);
    m_s.clock.delayMs(q.waitMs);
    const QString answer = QString::fromLatin1(m_s.link.readAll());
    m_dataStrings.insert(q.control, answer);
    m_s.link.close();
    QStringList lines;
    if (q.station > 0)
        lines << QStringLiteral("Station #%1").arg(q.station);
    QString shown = answer;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    while (shown.endsWith(QLatin1Char('\r')))
        shown.chop(1);
    if (!shown.isEmpty())
        lines << shown;
    lines << QStringLiteral("Length of DataString is ") + Str(answer.size());
    m_s.dialogs.show(crJoin(lines));
    return answer;
}

void ServiceCommands::sendControl(char code)
{
    if (!DigitizerSetup::ensureOpen(m_s))
        return;
    m_s.link.write(QByteArray(1, code));
    m_s.link.close();
}

void ServiceCommands::yAndE()
{
    if (!DigitizerSetup::ensureOpen(m_s))
        return;
    m_s.link.write("Y");
    m_s.clock.delayMs(100);
    m_s.link.write("E");
    m_s.link.close();
}

void ServiceCommands::run(StreamMonitor::Kind kind)
{
    if (m_monitor && !m_monitor->finished()) {
        m_s.dialogs.show(QStringLiteral("A continuous-output test is already running."));
        return;
    }
    auto monitor = std::make_shared<StreamMonitor>(m_s, kind);
    if (!monitor->start())
        return;
    m_monitor = monitor;
    if (showMonitor) {
        showMonitor(monitor);
        return;
    }
    while (!monitor->finished()) {
        m_s.pump.processEvents();
        if (m_s.wait.CancelRequested == 1) {
            m_s.wait.CancelRequested = 0;
            monitor->stop();
            break;
        }
        monitor->poll();
    }
}

void ServiceCommands::startDigitizing()
{
    run(StreamMonitor::Kind::FastrakTest);
}

void ServiceCommands::pLoop()
{
    run(StreamMonitor::Kind::IsotrakLoop);
}

bool ServiceCommands::saveDump(const QString &fileName, const QByteArray &bytes)
{
    try {
        saveText(appFile(fileName), bytes);
    } catch (const FileError &e) {
        m_s.dialogs.show(e.message());
        return false;
    }
    return true;
}

bool ServiceCommands::saveMatrices()
{
    return saveDump(ServiceDumps::MatricesFile, ServiceDumps::matricesText(m_s.ws));
}

bool ServiceCommands::saveRawData()
{
    return saveDump(ServiceDumps::RawDataFile,
                    ServiceDumps::rawDataText(m_s.ws, m_s.link.settings()));
}

bool ServiceCommands::saveSeqData()
{
    return saveDump(ServiceDumps::SequenceDataFile, ServiceDumps::sequenceDataText(m_s.ws));
}

QString ServiceCommands::saveDigSeqData() const
{
    // The item names its file and has never written anything to it.
    return appFile(ServiceDumps::DigSeqFile);
}

void ServiceCommands::showDirtyFlags()
{
    m_s.dialogs.show(crJoin({QStringLiteral("SetDirtyShape= ") + Str(m_s.ws.ShapeDirty),
                             QStringLiteral("SetDirtyEletrodes= ") + Str(m_s.ws.ElectrodesDirty)}));
}

void ServiceCommands::showBaudRate()
{
    m_s.dialogs.show(m_s.link.settings());
}

void ServiceCommands::outputFormat1()
{
    m_s.dialogs.show(QStringLiteral("22/7 = ") + myFormat(22.0 / 7.0, QStringLiteral("#0.###0"),
                                                          m_s.ws.settings, &m_s.dialogs));
}

void ServiceCommands::outputFormat2()
{
    m_s.dialogs.show(QStringLiteral("22/7 = ") + Str(22.0 / 7.0));
}

void ServiceCommands::showDigitizerType()
{
    m_s.dialogs.show(QStringLiteral("DigitizerType is  ") +
                     traitsOf(m_s.ws.settings.Digitizer).name);
}

void ServiceCommands::openCalibrationFile()
{
    m_files.readFile(FileKind::Calibration, appFile(QStringLiteral("input1.clb")));
}

void ServiceCommands::openFiducialsFile()
{
    m_files.readFile(FileKind::Fiducials, appFile(QStringLiteral("input2.fid")));
}

void ServiceCommands::saveProbeFile()
{
    try {
        WriteProbeFile(appFile(QStringLiteral("output.elp")), m_s.ws);
    } catch (const FileError &e) {
        m_files.reportWriteError(e);
    }
}

void ServiceCommands::openConsole()
{
    if (showConsole)
        showConsole();
    else
        m_s.dialogs.show(QStringLiteral("The service console needs the Pointra window."));
}

void ServiceCommands::registerCommands(CommandTable &t)
{
    for (const Query &q : queries())
        t.add(q.control, [this, q] { manualQuery(q); });
    t.add(QStringLiteral("menuTestCD"), [this] { sendControl('\x04'); });
    t.add(QStringLiteral("menuTestCY"), [this] { sendControl('\x19'); });
    t.add(QStringLiteral("menuTestYE"), [this] { yAndE(); });
    t.add(QStringLiteral("menuTestNoY"), [] {});
    t.add(QStringLiteral("menuTestPLoop"), [this] { pLoop(); });
    t.add(QStringLiteral("menuFStartDigitizing"), [this] { startDigitizing(); });
    t.add(QStringLiteral("menuSaveRawData"), [this] { saveRawData(); });
    t.add(QStringLiteral("menuSaveMatrices"), [this] { saveMatrices(); });
    t.add(QStringLiteral("menuSaveSeqData"), [this] { saveSeqData(); });
    t.add(QStringLiteral("menuSaveDigSeq"), [this] { saveDigSeqData(); });
    t.add(QStringLiteral("menuShowDirty"), [this] { showDirtyFlags(); });
    t.add(QStringLiteral("menuShowBaude"), [this] { showBaudRate(); });
    t.add(QStringLiteral("menuTestOutFormat1"), [this] { outputFormat1(); });
    t.add(QStringLiteral("menuTestOutFormat2"), [this] { outputFormat2(); });
    t.add(QStringLiteral("menuTestMalvekType"), [this] { showDigitizerType(); });
    t.add(QStringLiteral("menuTestMalvekOpenCal"), [this] { openCalibrationFile(); });
    t.add(QStringLiteral("menuTestMalvekOpenFid"), [this] { openFiducialsFile(); });
    t.add(QStringLiteral("menuTestMalvekSaveProbe"), [this] { saveProbeFile(); });
    t.add(QStringLiteral("menuConsole"), [this] { openConsole(); });
}

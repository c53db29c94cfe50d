#pragma once

#include "commands/stream_monitor.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

struct Session;
class CommandTable;
class FileCommands;

// The Diagnostics, Test, Development, xISOTRAK and xFASTRAK menus of service mode: manual
// queries, the continuous-output test and the P-loop, the dumps, and the console.
class ServiceCommands
{
public:
    // A manual query: the item, what it sends, how long it waits, the station it names (0: none).
    struct Query
    {
        QString control;
        QByteArray command;
        int waitMs;
        int station;
    };
    static const QList<Query> &queries();

    ServiceCommands(Session &session, FileCommands &files) : m_s(session), m_files(files) {}
    void registerCommands(CommandTable &table);

    // Sends the item's command, waits, and shows the answer with its length.
    QString manualQuery(const Query &query);
    // The answer the item's last query got ("DataString").
    QString dataString(const QString &control) const { return m_dataStrings.value(control); }
    // Writes one control character and closes the port (^D, ^Y).
    void sendControl(char code);
    void yAndE();
    // xFASTRAK > Start Digitizing and xISOTRAK > P-loop. The window shows the monitor when it
    // has installed `showMonitor`; without one the test runs here, between event-pump passes,
    // until the stylus, the device or WaitFlags::CancelRequested ends it.
    void startDigitizing();
    void pLoop();
    // The monitor of the last test run, for a window or a test to read.
    std::shared_ptr<StreamMonitor> monitor() const { return m_monitor; }

    // The dumps, in AppPath; false when nothing was written (the operator was told).
    bool saveMatrices();
    bool saveRawData();
    bool saveSeqData();
    // Names DigSeq.dat in AppPath and writes nothing.
    QString saveDigSeqData() const;

    void showDirtyFlags();
    void showBaudRate();
    void outputFormat1();
    void outputFormat2();
    void showDigitizerType();
    void openCalibrationFile();
    void openFiducialsFile();
    void saveProbeFile();
    void openConsole();

    // Installed by the window.
    std::function<void(std::shared_ptr<StreamMonitor>)> showMonitor;
    std::function<void()> showConsole;

private:
    void run(StreamMonitor::Kind kind);
    bool saveDump(const QString &fileName, const QByteArray &bytes);
    QString appFile(const QString &name) const;

    Session &m_s;
    FileCommands &m_files;
    QHash<QString, QString> m_dataStrings;
    std::shared_ptr<StreamMonitor> m_monitor;
};

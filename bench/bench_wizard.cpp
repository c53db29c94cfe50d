// The measurement wizard's own time per reading, beyond the protocol's fixed waits (which run
// on virtual time here), with and without the session journal; and the journal's cost per
// reading on its own (append, flush and sync to the disk).
#include "acquisition/wizard.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "digitizer/emulator/emulator_link.h"
#include "seams/clock.h"
#include "seams/dialogs.h"
#include "seams/event_pump.h"
#include "seams/session.h"
#include "seams/ui_state.h"
#include "seams/wave_audio.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
class VirtualClock final : public Clock
{
public:
    qint64 nowMs() const override { return m_now; }
    void delayMs(int ms) override { m_now += ms; }
    void advance(int ms) { m_now += ms; }

private:
    qint64 m_now = 0;
};

class NoPump final : public EventPump
{
public:
    void processEvents() override {}
};

class QuietDialogs final : public Dialogs
{
public:
    Answer message(const QString &, const QString &, Buttons, Icon, Answer a) override
    {
        ++shown;
        return a;
    }
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> openFileName(const FileRequest &) override { return std::nullopt; }
    std::optional<QString> saveFileName(const FileRequest &) override { return std::nullopt; }
    int shown = 0;
};

struct Result
{
    int readings = 0;
    double meanMs = 0;
    double p95Ms = 0;
    double maxMs = 0;
    int messages = 0;
};

// Digitizes the virtual head's sites `runs` times; the program's time per reading is the real
// time spent in the wizard (and in the in-process emulator behind the line) from one prompt to
// the next, virtual waits excluded.
Result digitize(const QString &appPath, int runs)
{
    Workspace ws;
    ws.settings.Digitizer = DigitizerModel::Fastrak;
    ws.settings.CoordinateSystem = QStringLiteral("TEVO");
    ws.settings.DecimalPoint = QStringLiteral("Period");
    ws.settings.Hemisphere = QStringLiteral("0,0,1");
    ws.settings.CommPort = 1;
    ws.AppPath = appPath;
    ws.ReceiverCount = 1;
    UiState ui;
    QuietDialogs dialogs;
    VirtualClock clock;
    NoPump pump;
    SilentAudio audio;
    DigitizerEmulator emu({DigitizerModel::Fastrak, 1, 0.08, 3});
    EmulatorLink link(emu, clock);
    Session s{ws, dialogs, ui, clock, pump, audio, link, {}, {}};
    DigitizerSetup::ApplySerialSettings(s);
    DigitizerSetup::InitializeDigitizer(s);
    Wizard wizard(s);
    QStringList names = {"Nasion", "LPA", "RPA"};
    QStringList codes = {"1", "2", "4"};
    for (const QString &site : emu.head().siteNames()) {
        if (!names.contains(site)) {
            names << site;
            codes << QStringLiteral("400");
        }
    }
    ws.NumSeq = int(names.size());
    ws.SeqName = names;
    ws.SeqCode = codes;
    ws.SequenceTitle = QStringLiteral("bench");

    std::vector<double> perReading;
    QElapsedTimer t;
    for (int run = 0; run < runs; ++run) {
        wizard.menuEProbes();
        wizard.press(Wizard::Button::Next);
        wizard.press(Wizard::Button::Next);
        while (wizard.waiting()) {
            qint64 spent = 0;
            const int point = wizard.state.PointCounter;
            while (wizard.recordWait().phase() != RecordWait::Phase::Waiting) {
                clock.advance(10);
                t.start();
                wizard.poll();
                spent += t.nsecsElapsed();
            }
            emu.touchSite(names[point - 1]);
            emu.press();
            while (wizard.waiting() && wizard.state.PointCounter == point) {
                clock.advance(10);
                t.start();
                wizard.poll();
                spent += t.nsecsElapsed();
            }
            perReading.push_back(spent / 1e6);
            emu.moveHead(0.001, 0, 0, 0.5, 0, 0);
        }
        wizard.Cancel();
    }
    Result r;
    r.readings = int(perReading.size());
    std::sort(perReading.begin(), perReading.end());
    double sum = 0;
    for (double v : perReading)
        sum += v;
    r.meanMs = sum / std::max(1, r.readings);
    r.p95Ms = perReading[size_t(0.95 * (perReading.size() - 1))];
    r.maxMs = perReading.back();
    r.messages = dialogs.shown;
    return r;
}

void journalAppends(const QString &folder, int count)
{
    Workspace ws;
    ws.settings.Digitizer = DigitizerModel::Fastrak;
    ws.NumSeq = count;
    for (int i = 0; i < count; ++i) {
        ws.SeqName << QStringLiteral("E%1").arg(i);
        ws.SeqCode << QStringLiteral("400");
    }
    DigitizerEmulator emu({DigitizerModel::Fastrak, 3, 0.08, 3});
    const QString record = QString::fromLatin1(emu.record());
    Journal j(Journal::defaultPath(folder));
    j.begin(ws);
    std::vector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < count; ++i) {
        t.start();
        j.append(i, ws.SeqName[i], record);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    j.discard();
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms)
        sum += v;
    std::printf("journal: %d appends of a 293-character record in %s: mean %.3f ms, median %.3f "
                "ms, p95 %.3f ms, max %.3f ms per reading\n",
                count, qPrintable(QDir::toNativeSeparators(folder)), sum / count, ms[ms.size() / 2],
                ms[size_t(0.95 * (ms.size() - 1))], ms.back());
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // On the disk the program folder would be on, not a memory file system.
    QTemporaryDir disk(QDir::current().filePath(QStringLiteral("bench_wizard_XXXXXX")));
    const int runs = 5;
    const Result with = digitize(disk.path(), runs);
    // A folder that cannot be written: the measurement runs without its journal.
    const Result without = digitize(QStringLiteral("/proc/pointra-no-journal"), runs);
    std::printf("wizard, journal on disk:  %d readings: mean %.3f ms, p95 %.3f ms, max %.3f ms of "
                "program time per reading (goal <= 5 ms)\n",
                with.readings, with.meanMs, with.p95Ms, with.maxMs);
    std::printf("wizard, without journal:  %d readings: mean %.3f ms, p95 %.3f ms, max %.3f ms "
                "(%d messages)\n",
                without.readings, without.meanMs, without.p95Ms, without.maxMs, without.messages);
    journalAppends(disk.path(), 500);
    return 0;
}

#include "records.h"

#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "digitizer/record_parser.h"
#include "seams/clock.h"
#include "seams/dialogs.h"
#include "seams/event_pump.h"
#include "seams/serial_link.h"
#include "seams/session.h"

namespace Records {

namespace {
const QByteArray CtrlD("\x04", 1);

void isotrakRelease(Session &s)
{
    s.link.write(CtrlD);
    s.clock.delayMs(100);
    s.link.write("T");
}
} // namespace

Outcome ReadDigitizerRecord(Session &s, QString &record)
{
    const DigitizerModel model = s.ws.settings.Digitizer;
    const bool isotrak = model == DigitizerModel::Isotrak;
    const bool device = isDevice(model);
    if (!DigitizerSetup::ensureOpen(s))
        return Outcome::PortFailed;
    s.link.discardPending();
    s.link.write("P");
    s.clock.delayMs(400);
    record = QString::fromLatin1(s.link.readAll());
    if (isotrak) {
        s.link.write("Y");
        s.clock.delayMs(100);
        s.link.write("E");
        s.link.write(CtrlD);
        s.clock.delayMs(100);
        record = QString::fromLatin1(s.link.readAll());
        s.link.write("P");
    }
    s.link.discardPending();

    WaitFlags &f = s.wait;
    while (s.link.bytesPending() == 0) {
        s.pump.processEvents();
        if (f.CancelRequested == 1) {
            f.CancelRequested = 0;
            if (isotrak)
                isotrakRelease(s);
            s.link.close();
            return Outcome::Cancelled;
        }
        if (s.link.deviceGone()) {
            s.link.close();
            s.dialogs.show(
                crJoin({QStringLiteral("The digitizer stopped answering."), s.link.errorText(),
                        QStringLiteral("Check the cable and repeat the measurement.")}));
            return Outcome::DeviceGone;
        }
        if (!device)
            continue;
        if (f.NextRequested == 1) {
            f.NextRequested = 0;
            if (isotrak)
                isotrakRelease(s);
            return Outcome::Next;
        }
        if (f.BackRequested == 1) {
            f.PointCounter -= 2;
            f.BackRequested = 0;
            if (isotrak)
                isotrakRelease(s);
            return Outcome::Back;
        }
    }
    s.clock.delayMs(300);
    record = QString::fromLatin1(s.link.readAll());
    if (isotrak)
        isotrakRelease(s);
    const bool gone = s.link.deviceGone();
    s.link.close();
    if (isotrak)
        record = rebuildIsotrak(record);
    const QString problem = recordProblem(model, record);
    if (!problem.isEmpty()) {
        s.dialogs.show(
            gone ? crJoin({problem, QStringLiteral("The digitizer stopped answering."),
                           s.link.errorText()})
                 : crJoin({problem, QString(), QStringLiteral("Please repeat the measurement")}));
        return gone ? Outcome::DeviceGone : Outcome::Refused;
    }
    return Outcome::Received;
}

Outcome PollDigitizerRecord(Session &s, QString &record)
{
    if (!DigitizerSetup::ensureOpen(s))
        return Outcome::PortFailed;
    s.link.write("P");
    s.clock.delayMs(350);
    record = QString::fromLatin1(s.link.readAll());
    const bool gone = s.link.deviceGone();
    s.link.close();
    return gone ? Outcome::DeviceGone : Outcome::Received;
}

} // namespace Records

#include "records.h"

#include "data/workspace.h"
#include "digitizer/record_wait.h"
#include "seams/clock.h"
#include "seams/event_pump.h"
#include "seams/session.h"

namespace Records {

Outcome ReadDigitizerRecord(Session &s, QString &record)
{
    RecordWait wait(s);
    if (!wait.start(RecordWait::Kind::Stylus))
        return wait.outcome();
    const bool device = isDevice(s.ws.settings.Digitizer);
    WaitFlags &f = s.wait;
    while (wait.running()) {
        if (wait.phase() == RecordWait::Phase::Waiting) {
            s.pump.processEvents();
            if (f.CancelRequested == 1) {
                f.CancelRequested = 0;
                wait.end(Outcome::Cancelled);
            } else if (device && f.NextRequested == 1) {
                f.NextRequested = 0;
                wait.end(Outcome::Next);
            } else if (device && f.BackRequested == 1) {
                f.PointCounter -= 2;
                f.BackRequested = 0;
                wait.end(Outcome::Back);
            }
        } else {
            s.clock.delayMs(static_cast<int>(wait.msUntilDue()));
        }
        wait.poll();
    }
    record = wait.record();
    return wait.outcome();
}

Outcome PollDigitizerRecord(Session &s, QString &record)
{
    RecordWait wait(s);
    if (!wait.start(RecordWait::Kind::Poll))
        return wait.outcome();
    while (!wait.poll())
        s.clock.delayMs(static_cast<int>(wait.msUntilDue()));
    record = wait.record();
    return wait.outcome();
}

} // namespace Records

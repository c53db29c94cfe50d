#pragma once

#include "data/reading.h"
#include "digitizer/record_parser.h"
#include "digitizer/records.h"

#include <QString>
#include <optional>

struct Session;

// The one wait for a digitizer record, as a state machine on the clock: start() sends the
// opening commands and returns, poll() moves it on whenever the caller gets control (a window
// timer, pointra-cli's loop, a test after advancing virtual time), end() stops it at once.
// Nothing here blocks except the 100 ms an ISOTRAK needs between the commands that release it.
class RecordWait
{
public:
    enum class Kind {
        Stylus, // waits for the stylus button (ReadDigitizerRecord)
        Poll    // asks for one record at once (PollDigitizerRecord)
    };
    enum class Phase {
        Idle,
        Reconnecting, // the device was lost: the port is tried again every second
        Priming,      // 400 ms after "P"
        IsotrakMode,  // 100 ms after "Y"
        IsotrakArm,   // 100 ms after "E" and code 4
        Settling,     // until the line has been quiet for a moment: late answers are dropped
        Waiting,      // for the first character: ends only by input or by end()
        Collecting,   // 300 ms after the first character (350 ms after a poll's "P")
        Releasing     // 100 ms after code 4, before "T" (ISOTRAK)
    };
    using Outcome = Records::Outcome;

    explicit RecordWait(Session &session) : m_s(session) {}
    ~RecordWait();
    RecordWait(const RecordWait &) = delete;
    RecordWait &operator=(const RecordWait &) = delete;

    // Starts a wait; false when it ended at once (the port could not be opened: told).
    // A record must hold `receiverBlocks` receiver blocks to count as a reading.
    bool start(Kind kind, int receiverBlocks = Records::AllBlocks);
    // Starts a wait that first waits for the device to come back (quietly trying the port once a
    // second), configures it again, then waits as start() does.
    void startReconnecting(Kind kind, int receiverBlocks = Records::AllBlocks);
    // Moves the wait on; true once it has ended (it may have ended earlier).
    bool poll();
    // Ends a running wait at once with `reason` (Next, Back, Cancelled, Repeated, Closed).
    void end(Outcome reason);

    bool running() const { return m_phase != Phase::Idle; }
    Phase phase() const { return m_phase; }
    Kind kind() const { return m_kind; }
    // Milliseconds until the next timed step; 0 while waiting for input or idle.
    qint64 msUntilDue() const;

    // The result of the last wait that ended.
    Outcome outcome() const { return m_outcome; }
    // The record as it arrived (ISOTRAK stylus records rebuilt, FASTRAK cut to its layout).
    const QString &record() const { return m_record; }
    // The record as a reading, when it is one (both kinds).
    const std::optional<Reading> &reading() const { return m_reading; }
    // Why the record is not a reading; empty when it is one.
    const QString &problem() const { return m_problem; }

private:
    // Ends a running wait and forgets the last record.
    void reset(Kind kind, int receiverBlocks);
    void begin();
    void enter(Phase phase, int delayMs);
    void step();
    void finishStylus();
    void finishPoll();
    void stop(Outcome outcome);
    void release();
    bool lost();

    Session &m_s;
    Kind m_kind = Kind::Stylus;
    Phase m_phase = Phase::Idle;
    int m_blocks = Records::AllBlocks;
    qint64 m_due = 0;
    bool m_isotrakHeld = false; // "Y" was sent: the device must be released
    Outcome m_outcome = Outcome::Cancelled;
    QString m_record;
    std::optional<Reading> m_reading;
    QString m_problem;
};

#pragma once

#include "data/reading.h"
#include "digitizer/record_stream.h"

#include <QByteArray>
#include <QString>
#include <vector>

class Wizard;
struct Session;

// The rules a head-shape point is kept or questioned by.
namespace ShapeRules {
// A reading is kept only when it lies strictly farther than `minStepCm` from the last kept one
// (raw positions, centimetres).
bool farEnough(const Point3 &lastCm, const Point3 &pointCm, double minStepCm);
// A point (head frame, metres) outside the head-sized box around the fiducials: 5 cm beyond the
// nasion's distance in x, 5 cm beyond the ears in y, 10 cm above and 20 cm below in z.
bool isOutlier(const FidTriple &shapeFid, const Point3 &point);
} // namespace ShapeRules

// Head-shape digitizing, sub-step 4: each tap of the stylus starts a sequence, the points stream
// in and are read as they arrive (never by sleeping), a line quiet for PointDelay ms ends the
// sequence. It is a state machine on the session's clock: poll() moves it on, stop() ends it.
class ShapeLoop
{
public:
    enum class Phase {
        Idle,
        WaitingTap,   // for the first record of a sequence
        Starting,     // FASTRAK: 200 ms after the tap before the stream is switched on
        Streaming,    // until the line has been quiet for PointDelay ms
        Reconnecting  // the device was lost: the port is tried again every second
    };
    struct Counts
    {
        int arrived = 0; // records read during sequences
        int kept = 0;    // of those, kept by the distance rule
        int refused = 0; // not readings (garbled, cut, error status)
    };

    explicit ShapeLoop(Wizard &wizard);

    // Shape data not saved yet are dropped for a new head shape only when the operator agrees.
    static bool mayDiscardShape(Session &s);

    // The start of the loop: stations, the model's shape mode, then the wait for a tap.
    // False when it could not start (the operator was told).
    bool start();
    void poll();
    // ShapeStop: a sequence being streamed is kept without question, the stream ends, the port
    // closes.
    void stop();
    bool running() const { return m_phase != Phase::Idle; }
    Phase phase() const { return m_phase; }
    bool sequenceRunning() const { return SeqRunning == 1; }
    const Counts &counts() const { return m_counts; }

    // SeqDelete: removes the selected sequence.
    void DeleteSequence();
    // A click on SequenceList (1-based).
    void selectSequence(int sequence);
    // Points of a sequence (1-based); 0 for none.
    int pointsOf(int sequence) const;

    // The sequence bookkeeping: ShapeSeqStart holds the 0-based index of each sequence's first
    // point in ShapePos; SelectedSeq and PrevSelectedSeq are 1-based, 0 none.
    int NumShapeSeqs = 0;
    int SelectedSeq = 0;
    int PrevSelectedSeq = 0;
    int SeqRunning = 0;
    std::vector<int> ShapeSeqStart;

private:
    void enterShapeMode();
    void read();
    void take(const QString &record);
    void takeRest();
    void beginSequence();
    void endSequence(bool askAboutOutliers);
    void removeSequence(int sequence);
    void lost();
    void showSequences();
    void showWaitingPrompt();

    Wizard &m_w;
    Session &m_s;
    Phase m_phase = Phase::Idle;
    qint64 m_due = 0;       // Starting: when "C" goes out; Reconnecting: the next try
    qint64 m_lastInput = 0; // when the last byte of the stream arrived
    RecordStream m_stream;
    bool m_haveLast = false;
    Point3 m_lastCm = Point3::Zero();
    int m_refusedInSequence = 0;
    Counts m_counts;
};

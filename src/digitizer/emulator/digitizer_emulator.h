#pragma once

#include "data/digitizer_models.h"
#include "data/transform4.h"
#include "digitizer/emulator/virtual_head.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <random>
#include <vector>

// One digitizer on virtual time: takes host bytes, answers with the model's records, and
// paces its output by the line's baud rate (ten bits a character).
//
// It powers up in the state the program's configuration sequence leaves it in (output lists,
// all stations on, the stylus button sending records), but in inches until "u"/"U1" arrives.
// Continuous output: "C" starts the stream and "c" ends it; a PATRIOT also ends it on "P".
// The FASTRAK (with "e1,1"), the PATRIOT (with "L1,1") and the ISOTRAK outside its digitizer
// mode answer a button press with one record, or toggle the stream while continuous. In its
// digitizer mode ("Y", made effective by ^D, a toggle that "T" clears with the mode) the
// ISOTRAK ignores "P" and sends only on the button: one record a press in point mode ("E"),
// a stream while held in track mode ("i") with continuous output on.
class DigitizerEmulator
{
public:
    using Model = DigitizerModel;
    struct Options
    {
        Model model = Model::Fastrak;
        int receivers = 1;     // receivers fixed on the head (the rest lie still beside it)
        double noiseCm = 0.08; // RMS of the position noise; 0 for exact records
        quint32 seed = 1;
    };

    explicit DigitizerEmulator(const Options &options);

    // "fastrak", "isotrak" or "patriot", any case; false for anything else.
    static bool parseModel(const QString &name, Model &model);
    Model model() const { return m_opt.model; }
    int stations() const;

    // Host to device, as bytes arrive on the line at `nowMs`.
    void receive(const QByteArray &bytes, qint64 nowMs);
    // Lets virtual time pass: scheduled actions run, streams produce, the line carries bytes.
    void advanceTo(qint64 nowMs);
    // Bytes that have crossed the line to the host since the last call.
    QByteArray takeDelivered();
    int deliveredPending() const { return static_cast<int>(m_delivered.size()); }
    int queuedPending() const { return static_cast<int>(m_queue.size()); }
    qint64 now() const { return m_now; }

    int baud() const { return m_baud; }
    void setBaud(int baud) { m_baud = baud; }

    // The stylus and the head.
    void touchSite(const QString &name); // throws std::out_of_range for unknown sites
    void touchPoint(const Point3 &headPointMetres);
    // The stylus button: press is a tap, hold and release its two edges.
    void press();
    void hold();
    void release();
    bool buttonHeld() const { return m_buttonHeld; }
    // Moves the stylus over the scalp through `headPoints` (head frame, metres, on the
    // surface) at `speedCmPerS`, working the button as an operator does for one head-shape
    // sequence of this model: the ISOTRAK's button is held throughout, the FASTRAK's and
    // PATRIOT's tapped at the start and again at the end (at least a second later).
    // Returns the virtual time at which it ends; touching a point ends a sweep early.
    qint64 sweep(const std::vector<Point3> &headPoints, double speedCmPerS);
    // Where the stylus tip is at `atMs`, head frame, metres.
    Point3 stylusTip(double atMs) const;
    // Moves the head: translation in metres, then rotations in degrees about x, y and z.
    void moveHead(double dx, double dy, double dz, double rx, double ry, double rz);
    // Places the head (head frame to transmitter frame) and receiver r (0-based) on the head.
    void setHeadPose(const Transform4 &pose) { m_headPose = pose; }
    void setReceiverOnHead(int r, const Transform4 &local);
    // Fixes receiver r in the transmitter frame (on the MEG dewar, say), off the head.
    void setReceiverFixed(int r, const Transform4 &transmitterPose);
    // Where pointra-simdig --dewar puts receiver 1: on an MEG dewar above the head.
    static Transform4 dewarReceiverPose();
    // A line fault: the next record stops after `keep` characters.
    void cutNextRecord(int keep) { m_cutNext = keep; }
    // Runs `action` once virtual time reaches `atMs`.
    void schedule(qint64 atMs, std::function<void()> action);

    const VirtualHead &head() const { return m_head; }
    const Transform4 &headPose() const { return m_headPose; }
    // Receiver r (0-based) in the transmitter frame, metres.
    Transform4 receiverPose(int r) const;
    // The record the device would send now, without noise bookkeeping side effects beyond the RNG.
    QByteArray record();
    int recordsSent() const { return m_recordsSent; }

    // Device state as the commands left it.
    bool continuous() const { return m_continuous; }
    bool streaming() const;
    bool stationOn(int station) const;
    int activeStations() const;
    // The output list of a station (1-based); the ISOTRAK has one for all.
    QList<int> outputList(int station) const;
    bool inches() const { return m_inches; }
    // Time between two records of a stream when the line keeps up.
    double recordIntervalMs() const;

private:
    struct StylusPath
    {
        std::vector<Point3> points; // head frame
        std::vector<double> along;  // metres from the start to each point
        double startMs = 0;
        double metresPerMs = 0;
    };

    void powerUp();
    void command(const QByteArray &cmd);
    void setOutputList(const QList<QByteArray> &parts);
    bool needsTerminator(char c) const;
    bool isotrakDigitizing() const;
    void queueRecord();
    void enqueue(const QByteArray &bytes, double atMs);
    void drainUntil(qint64 t);
    QByteArray recordAt(double atMs);
    QByteArray stationBlock(int station, const QList<int> &items, double atMs);
    QByteArray patriotRecord(double atMs);
    QByteArray statusAnswer() const;
    QByteArray stationAnswer(int asked) const;
    QByteArray outputListAnswer(int station) const;
    QByteArray configurationAnswer() const;
    Point3 reported(const Point3 &transmitterMetres, int station);
    Point3 noisy(const Point3 &p);

    Options m_opt;
    VirtualHead m_head;
    Transform4 m_headPose;
    std::vector<Transform4> m_receiverLocal;
    std::vector<Transform4> m_looseReceivers;
    std::vector<bool> m_fixed = std::vector<bool>(3, false);
    Point3 m_touchHead = Point3::Zero();
    std::optional<StylusPath> m_path;
    std::mt19937 m_rng;
    std::normal_distribution<double> m_normal{0.0, 1.0};

    QByteArray m_inbox;
    QByteArray m_queue;
    QByteArray m_delivered;
    double m_lineTime = 0.0; // when the line has sent everything queued so far
    double m_nextStream = 0.0;
    qint64 m_now = 0;
    int m_baud = 19200;

    bool m_inches = true;
    bool m_continuous = false;
    bool m_streamOn = false; // a continuous stream not toggled off by the button
    bool m_buttonHeld = false;
    int m_buttonMode = 1;            // FASTRAK "e1,n", PATRIOT "L1,n": 1 = the button sends records
    bool m_isoDigitizerMode = false; // "Y" until "T"
    bool m_isoCtrlD = false;         // toggled by ^D; with "Y" only the button sends
    bool m_isoTrack = false;         // "i" track mode, "E" point mode
    std::array<bool, 4> m_stationOn = {true, true, true, true};
    std::array<QList<int>, 4> m_outputs;
    std::vector<Point3> m_hemisphere;

    int m_recordsSent = 0;
    int m_cutNext = -1;
    std::vector<std::pair<qint64, std::function<void()>>> m_schedule;
};

#pragma once

#include "data/reading.h"

#include <QString>
#include <array>
#include <vector>

class Wizard;
class RecordWait;
struct Session;

// Steps 2 and 3 and the fiducials of step 5: the three dewar, subject or head-shape fiducials,
// each touched twice; the pass differences are shown and Accept builds the calibration, the
// subject transforms or the head transforms of the shape data.
class FiducialStep
{
public:
    enum class Kind { Dewar, Subject, Shape };
    FiducialStep(Wizard &wizard, Kind kind);

    void dispatch(int subStep);
    // Accept: MCalib (dewar); MFid1, MFida, MFidb and ReceiverFid (subject); RefFid, MRef and
    // ShapeFid (shape).
    bool accept();
    bool complete() const { return m_complete; }
    // MeasDewarFid or SubjectFid: the mean of the two passes of each fiducial.
    const FidTriple &means() const { return m_means; }

private:
    void measure();
    void promptFiducial();
    void readingEnded(const RecordWait &wait);
    void showResults();
    int measuringSubStep() const;
    int receiverBlocks() const;
    // The references whose fiducials the shape data uses: the transmitter (0) or head receivers.
    int firstReference() const;
    int lastReference() const;
    QString fiducialText(int fiducial) const;

    Wizard &m_w;
    Session &m_s;
    Kind m_kind;
    int m_pass = 1;
    int m_fiducial = 1;
    std::vector<Reading> m_taken; // pass 1 fiducials 1..3, then pass 2
    FidTriple m_means = zeroFids();
    std::array<FidTriple, 4> m_refMeans = {zeroFids(), zeroFids(), zeroFids(), zeroFids()};
    bool m_complete = false;
};

#pragma once

#include "data/reading.h"

struct Workspace;

// The transforms of the MEG steps, from the readings the dewar and subject-fiducial steps take.
namespace MegChain {
// First reading of the dewar step: MCalib1 is the pose of the dewar's receiver (direction 0).
void takeDewarPose(Workspace &ws, const Reading &first);
// Accept of the dewar step: MCalib2 from the dewar fiducials X+, Y+, Y- (direction 1) and
// MCalib = MCalib1 * MCalib2. Throws GeometryError, changing nothing, for fiducials that span
// no plane.
void computeCalibration(Workspace &ws, const FidTriple &dewarFid);
// First reading of the subject step: MFid2a, MFid2b (direction 1) and MFidfa, MFidfb
// (direction 0) from receivers 2 and 3 of the record.
void takeSubjectPoses(Workspace &ws, const Reading &first);
// Accept of the subject step: MFid1 from the subject fiducials (direction 0), MFida, MFidb and
// the fiducials in each head receiver's frame (ReceiverFid, one or two receivers).
// Throws GeometryError, changing nothing, for fiducials that span no plane.
void computeSubjectTransforms(Workspace &ws, const FidTriple &subjectFid);
} // namespace MegChain

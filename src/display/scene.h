#pragma once

#include "data/transform4.h"

#include <QString>
#include <array>
#include <vector>

// Position and unit normal of a sensor's first coil.
struct CoilPose
{
    Point3 centre;
    Point3 normal;
};

// The data the point view draws, as plain values (metres, head frame). Which part is drawn
// follows the view's DisplaySet; the vector sizes are the counts.
struct Scene
{
    // Electrodes, head shape or probe: fiducial 1 is the nasion (X+), then the two ears.
    FidTriple fiducials = zeroFids();
    std::array<QString, 3> fiducialNames;
    std::array<QString, 3> fiducialTypes;
    // Electrode or shape points; names and types only for electrodes.
    std::vector<Point3> points;
    std::vector<QString> names;
    std::vector<QString> types;
    // Head shape: index of the first point of each sequence, and the one to highlight (1-based,
    // 0 for none).
    std::vector<int> sequenceStarts;
    int selectedSequence = 0;
    // Row of the points table to mark in the view: 0..2 the fiducials, then the points; -1 none.
    int markedRow = -1;
    // Probe: the first coil of each sensor.
    std::vector<CoilPose> probeCoils;
    // Fiducial sets: the three fiducials measured by each station in use.
    std::vector<FidTriple> receiverFids;
};

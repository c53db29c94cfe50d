#pragma once

#include "data/transform4.h"

#include <vector>

// One receiver of a record: its position as reported and the rotation that takes transmitter
// axes into the receiver's own (direction 0), already sorted out of the model's layout.
struct ReceiverPose
{
    Point3 positionCm = Point3::Zero();
    Eigen::Matrix3d rotation = Eigen::Matrix3d::Zero();

    // Direction 0 maps transmitter coordinates (metres) into the receiver's frame, direction 1
    // maps the receiver's frame back out; any other direction gives the zero matrix.
    Transform4 transform(int direction) const
    {
        Transform4 r = Transform4::Identity();
        Transform4 t = Transform4::Identity();
        if (direction == 0) {
            r.block<3, 3>(0, 0) = rotation;
            t.block<3, 1>(0, 3) = -0.01 * positionCm;
            return r * t;
        }
        if (direction == 1) {
            r.block<3, 3>(0, 0) = rotation.transpose();
            t.block<3, 1>(0, 3) = 0.01 * positionCm;
            return t * r;
        }
        return Transform4::Zero();
    }
};

// One digitizer record as numbers: the stylus tip in metres and the receivers of the record
// (receiver 1 is the first block after the stylus, station 2).
struct Reading
{
    Point3 stylus = Point3::Zero();
    std::vector<ReceiverPose> receivers;
    // True when one block answers for every receiver (the PATRIOT layout).
    bool sharedBlock = false;

    // Receiver k (1-based) of the record; a receiver the record does not hold reads as zeros.
    const ReceiverPose &receiver(int k) const
    {
        static const ReceiverPose none;
        if (sharedBlock && !receivers.empty())
            return receivers.front();
        return k >= 1 && k <= int(receivers.size()) ? receivers[k - 1] : none;
    }
};

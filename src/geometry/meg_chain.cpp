#include "meg_chain.h"

#include "data/workspace.h"
#include "geometry/frames.h"

namespace {
const PointNames DewarNames = {QStringLiteral("X+"), QStringLiteral("Y+"), QStringLiteral("Y-")};
} // namespace

namespace MegChain {

void takeDewarPose(Workspace &ws, const Reading &first)
{
    ws.m.MCalib1 = first.receiver(1).transform(0);
}

void computeCalibration(Workspace &ws, const FidTriple &dewarFid)
{
    const Frame f = BuildFrame(dewarFid[0], dewarFid[1], dewarFid[2], 1, DewarNames);
    ws.m.MCalib2 = f.position;
    ws.m.MRotation = f.rotation;
    ws.m.MPosition = f.position;
    ws.m.MCalib = ws.m.MCalib1 * ws.m.MCalib2;
}

void takeSubjectPoses(Workspace &ws, const Reading &first)
{
    ws.m.MFid2a = first.receiver(2).transform(1);
    ws.m.MFid2b = first.receiver(3).transform(1);
    ws.m.MFidfa = first.receiver(2).transform(0);
    ws.m.MFidfb = first.receiver(3).transform(0);
}

void computeSubjectTransforms(Workspace &ws, const FidTriple &subjectFid)
{
    const Frame f = BuildFrame(subjectFid[0], subjectFid[1], subjectFid[2], 0, DewarNames);
    ws.m.MFid1 = f.position;
    ws.m.MRotation = f.rotation;
    ws.m.MPosition = f.position;
    ws.m.MFida = ws.m.MFid1 * ws.m.MFid2a;
    ws.m.MFidb = ws.m.MFid1 * ws.m.MFid2b;
    const int receivers = ws.ReceiverCount >= 2 ? 2 : 1;
    ws.ReceiverFid.assign(receivers, zeroFids());
    for (int j = 0; j < 3; ++j) {
        ws.ReceiverFid[0][j] = transformed(ws.m.MFidfa, subjectFid[j]);
        if (receivers == 2)
            ws.ReceiverFid[1][j] = transformed(ws.m.MFidfb, subjectFid[j]);
    }
}

} // namespace MegChain

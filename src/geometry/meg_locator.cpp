#include "meg_locator.h"

#include "data/workspace.h"
#include "geometry/frames.h"
#include "geometry/geometry_error.h"
#include "seams/dialogs.h"

bool LocateProbe(Workspace &ws, Dialogs &dialogs, const Reading &probe)
{
    const int n = ws.ReceiverCount;
    if (n != 1 && n != 2) {
        dialogs.show(crJoin(
            {QStringLiteral("The probe position needs one or two receivers on the subject's head."),
             QStringLiteral(
                 "The fiducials data give %1; read a fiducials file measured with one or "
                 "two receivers.")
                 .arg(n)}));
        return false;
    }
    if (static_cast<int>(ws.ReceiverFid.size()) < n) {
        dialogs.show(QStringLiteral("The fiducials data hold fewer receivers than they announce."));
        return false;
    }
    NamedTransforms m = ws.m;
    m.MProbe = probe.receiver(1).transform(1);
    m.MHeada = probe.receiver(2).transform(0);
    if (n == 2)
        m.MHeadb = probe.receiver(3).transform(0);
    m.MStep1 = m.MProbe * m.MCalib;
    m.MStep2a = m.MHeada * m.MStep1;
    m.MAlla = m.MFida * m.MStep2a;
    if (n == 2) {
        m.MStep2b = m.MHeadb * m.MStep1;
        m.MAllb = m.MFidb * m.MStep2b;
    }

    FidTriple fid = zeroFids();
    std::vector<CoilData> coils(ws.sensors.NumSensors);
    try {
        for (const Transform4 *t : {&m.MAlla, &m.MAllb, &m.MStep1})
            requireFinite(*t, QStringLiteral("the probe transforms"));
        for (int j = 0; j < 3; ++j) {
            Point3 sum = transformed(m.MFida, ws.ReceiverFid[0][j]);
            if (n == 2)
                sum += transformed(m.MFidb, ws.ReceiverFid[1][j]);
            fid[j] = sum / n;
            requireFinite(fid[j], QStringLiteral("the subject fiducials"));
        }
        for (int i = 0; i < ws.sensors.NumSensors; ++i) {
            for (int c = 0; c < 3; ++c) {
                const auto &in = ws.sensors.SensorCoil[i][c];
                const Point3 p(in[0], in[1], in[2]);
                const Point3 d(in[3], in[4], in[5]);
                Point3 pos = transformed(m.MAlla, p);
                Point3 dir = rotated(m.MAlla, d);
                if (n == 2) {
                    pos += transformed(m.MAllb, p);
                    dir += rotated(m.MAllb, d);
                }
                pos /= n;
                dir /= n;
                requireFinite(pos, QStringLiteral("the sensor coils"));
                requireFinite(dir, QStringLiteral("the sensor coils"));
                coils[i][c] = {pos.x(), pos.y(), pos.z(), dir.x(), dir.y(), dir.z()};
            }
        }
    } catch (const GeometryError &e) {
        dialogs.show(e.message());
        return false;
    }
    ws.m = m;
    ws.ProbeFid = fid;
    ws.sensors.ProbeCoil = std::move(coils);
    return true;
}

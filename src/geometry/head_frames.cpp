#include "head_frames.h"

#include "geometry/frames.h"
#include "geometry/geometry_error.h"

FidTriple computeHeadFrames(const std::array<FidTriple, 4> &refFid, int nReceivers,
                            std::array<Transform4, 4> &mref)
{
    if (nReceivers < 0 || nReceivers > 3)
        throw GeometryError(
            QStringLiteral("Choose the number of receivers on the subject (Digitize > "
                           "Receivers On Subject) first."));
    std::array<Transform4, 4> built = mref;
    FidTriple sum = zeroFids();
    const int first = nReceivers == 0 ? 0 : 1;
    const int last = nReceivers == 0 ? 0 : nReceivers;
    for (int ref = first; ref <= last; ++ref) {
        const FidTriple &f = refFid[ref];
        built[ref] = BuildFrame(f[0], f[1], f[2], 0).position;
        for (int j = 0; j < 3; ++j)
            sum[j] += transformed(built[ref], f[j]);
    }
    const double count = last - first + 1;
    for (Point3 &p : sum) {
        p /= count;
        requireFinite(p, QStringLiteral("the fiducials"));
    }
    mref = built;
    return sum;
}

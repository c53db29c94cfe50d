#include "digitizer/emulator/digitizer_emulator.h"

#include <Eigen/Geometry>
#include <cmath>
#include <cstdio>

// What the emulated device sends: record blocks built from the output lists, the PATRIOT's
// fixed record, and the answers to the query commands.

namespace {
// One fixed-width field of the model's record layout.
QByteArray fmt(const RecordLayout::Field &f, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%*.*f", f.width, f.decimals, v);
    return QByteArray(buf);
}

Point3 apply(const Transform4 &t, const Point3 &p)
{
    return t.block<3, 3>(0, 0) * p + t.block<3, 1>(0, 3);
}

QByteArray joined(const QList<int> &items)
{
    QByteArrayList parts;
    for (int i : items)
        parts << QByteArray::number(i);
    return parts.join(',');
}
} // namespace

Point3 DigitizerEmulator::noisy(const Point3 &p)
{
    if (m_opt.noiseCm <= 0)
        return p;
    const double sigma = m_opt.noiseCm * 0.01 / std::sqrt(3.0);
    return p + Point3(m_normal(m_rng), m_normal(m_rng), m_normal(m_rng)) * sigma;
}

Point3 DigitizerEmulator::reported(const Point3 &p, int station)
{
    Point3 q = p;
    if (q.dot(m_hemisphere[station - 1]) < 0)
        q = -q;
    return q * (m_inches ? 100.0 / 2.54 : 100.0);
}

QByteArray DigitizerEmulator::stationBlock(int station, const QList<int> &items, double atMs)
{
    Transform4 pose4 = Transform4::Identity();
    Point3 p;
    if (station == 1) {
        p = noisy(apply(m_headPose, stylusTip(atMs)));
    } else {
        pose4 = receiverPose(station - 2);
        p = noisy(pose4.block<3, 1>(0, 3));
    }
    const RecordLayout &l = traitsOf(m_opt.model).layout;
    const Point3 r = reported(p, station);
    const Eigen::Matrix3d rot = pose4.block<3, 3>(0, 0);
    QByteArray b = "0" + QByteArray::number(station) + " ";
    for (int item : items) {
        switch (item) {
        case 0:
            b += ' ';
            break;
        case 1:
            b += "\r\n";
            break;
        case 2:
            for (int i = 0; i < 3; ++i)
                b += fmt(l.receiverPosition, r[i]);
            break;
        case 4: {
            // Azimuth, elevation and roll in degrees: rot = Rz(az) Ry(el) Rx(roll).
            const double az = std::atan2(rot(1, 0), rot(0, 0));
            const double el = std::atan2(-rot(2, 0), std::hypot(rot(0, 0), rot(1, 0)));
            const double roll = std::atan2(rot(2, 1), rot(2, 2));
            for (double a : {az, el, roll})
                b += fmt(l.receiverPosition, a * 180.0 / M_PI);
            break;
        }
        case 5:
        case 6:
        case 7: {
            const int j = item - 5;
            // FASTRAK sends the rows of the receiver's rotation, ISOTRAK its axes.
            for (int i = 0; i < 3; ++i)
                b += fmt(l.cosine, l.triplesAreColumns ? rot(j, i) : rot(i, j));
            break;
        }
        case 11: {
            Eigen::Quaterniond q(rot);
            if (q.w() < 0)
                q.coeffs() = -q.coeffs();
            for (double v : {q.w(), q.x(), q.y(), q.z()})
                b += fmt(l.cosine, v);
            break;
        }
        default:
            break; // items the emulator does not produce are left out
        }
    }
    return b;
}

QByteArray DigitizerEmulator::patriotRecord(double atMs)
{
    const RecordLayout &l = traitsOf(m_opt.model).layout;
    const Point3 tip = reported(noisy(apply(m_headPose, stylusTip(atMs))), 1);
    QByteArray one = "01P ";
    for (int i = 0; i < 3; ++i)
        one += fmt(l.stylus, tip[i]);
    one += "\r\n";
    const Transform4 recv = receiverPose(0);
    const Point3 pos = reported(noisy(recv.block<3, 1>(0, 3)), 2);
    QByteArray two = "02P";
    for (int i = 0; i < 3; ++i)
        two += fmt(l.receiverPosition, pos[i]);
    const int gap = l.tripleStride - 3 * l.cosine.width;
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 3; ++i)
            two += fmt(l.cosine, recv(j, i));
        if (j < 2)
            two += QByteArray(gap, ' ');
    }
    return one + two + "\r\n";
}

QByteArray DigitizerEmulator::recordAt(double atMs)
{
    switch (m_opt.model) {
    case Model::Fastrak:
    case Model::Isotrak: {
        QByteArray r;
        for (int st = 1; st <= stations(); ++st) {
            if (stationOn(st))
                r += stationBlock(st, outputList(st), atMs);
        }
        return r;
    }
    case Model::Patriot:
        return patriotRecord(atMs);
    case Model::NoDigitizer:
    case Model::Dummy:
        break;
    }
    return {};
}

QByteArray DigitizerEmulator::statusAnswer() const
{
    return "21S" + QByteArray(m_inches ? "I" : "C") + "0000000000000\r\n";
}

QByteArray DigitizerEmulator::stationAnswer(int asked) const
{
    QByteArray flags;
    for (int st = 1; st <= stations(); ++st)
        flags += stationOn(st) ? '1' : '0';
    return "2" + QByteArray::number(asked) + "l" + flags + "\r\n";
}

QByteArray DigitizerEmulator::outputListAnswer(int station) const
{
    return "2" + QByteArray::number(station) + "O" + joined(outputList(station)) + "\r\n";
}

QByteArray DigitizerEmulator::configurationAnswer() const
{
    QByteArray out = "PATRIOT (emulated)\r\n";
    for (int st = 1; st <= stations(); ++st) {
        const Point3 &h = m_hemisphere[st - 1];
        out += "Sensor " + QByteArray::number(st) + (stationOn(st) ? " on" : " off") + ", output " +
               joined(outputList(st)) + ", hemisphere " + QByteArray::number(h.x()) + "," +
               QByteArray::number(h.y()) + "," + QByteArray::number(h.z()) + "\r\n";
    }
    out += QByteArray("Units ") + (m_inches ? "inches" : "cm") + ", stylus button " +
           (m_buttonMode ? "sends records" : "off") + ", continuous " +
           (m_continuous ? "on" : "off") + "\r\n";
    return out;
}

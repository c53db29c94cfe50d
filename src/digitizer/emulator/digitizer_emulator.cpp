#include "digitizer_emulator.h"

#include <Eigen/Geometry>
#include <QStringList>
#include <cmath>
#include <cstdio>

namespace {
constexpr qsizetype MaxCommandLength = 256;

Transform4 pose(double x, double y, double z, double rxDeg, double ryDeg, double rzDeg)
{
    const double d = M_PI / 180.0;
    Eigen::Matrix3d r = (Eigen::AngleAxisd(rzDeg * d, Eigen::Vector3d::UnitZ()) *
                         Eigen::AngleAxisd(ryDeg * d, Eigen::Vector3d::UnitY()) *
                         Eigen::AngleAxisd(rxDeg * d, Eigen::Vector3d::UnitX()))
                            .toRotationMatrix();
    Transform4 t = Transform4::Identity();
    t.block<3, 3>(0, 0) = r;
    t(0, 3) = x;
    t(1, 3) = y;
    t(2, 3) = z;
    return t;
}

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
} // namespace

DigitizerEmulator::DigitizerEmulator(const Options &options) : m_opt(options), m_rng(options.seed)
{
    // Head in front of the transmitter, in the z+ hemisphere, slightly turned.
    m_headPose = pose(0.02, -0.01, 0.30, 0, 0, 10);
    // Forehead, left mastoid, right mastoid, each tilted to follow the scalp.
    m_receiverLocal = {pose(0.085, 0.0, 0.045, 0, -60, 0), pose(-0.03, 0.07, -0.03, 80, 0, 15),
                       pose(-0.03, -0.07, -0.03, -80, 0, -15)};
    m_looseReceivers = {pose(0.20, 0.10, 0.15, 0, 0, 0), pose(0.20, -0.10, 0.15, 0, 0, 90),
                        pose(0.25, 0.0, 0.12, 0, 0, 180)};
    m_hemisphere.assign(4, Point3(0, 0, 1));
    m_baud = traitsOf(m_opt.model).lineSettings.section(QLatin1Char(','), 0, 0).toInt();
    m_touchHead = m_head.site(QStringLiteral("Cz"));
}

bool DigitizerEmulator::parseModel(const QString &name, Model &model)
{
    const DigitizerModel m = modelFromName(name.toUpper());
    if (!isDevice(m))
        return false;
    model = m;
    return true;
}

int DigitizerEmulator::stations() const
{
    return traitsOf(m_opt.model).stations;
}

Transform4 DigitizerEmulator::receiverPose(int r) const
{
    if (r < m_opt.receivers && r < static_cast<int>(m_receiverLocal.size()) && !m_fixed[r])
        return m_headPose * m_receiverLocal[r];
    return m_looseReceivers[r % m_looseReceivers.size()];
}

void DigitizerEmulator::setReceiverOnHead(int r, const Transform4 &local)
{
    if (r >= 0 && r < static_cast<int>(m_receiverLocal.size()))
        m_receiverLocal[r] = local;
}

void DigitizerEmulator::setReceiverFixed(int r, const Transform4 &transmitterPose)
{
    if (r >= 0 && r < static_cast<int>(m_looseReceivers.size())) {
        m_looseReceivers[r] = transmitterPose;
        m_fixed[r] = true;
    }
}

Transform4 DigitizerEmulator::dewarReceiverPose()
{
    Transform4 t = Transform4::Identity();
    t.block<3, 3>(0, 0) << 0.96, 0, 0.28, 0, 1, 0, -0.28, 0, 0.96;
    t.block<3, 1>(0, 3) = Point3(0.04, 0.0, 0.52);
    return t;
}

bool DigitizerEmulator::needsTerminator(char c) const
{
    if (m_opt.model == Model::Patriot)
        return c != 'P' && c != 'C' && c != 'c';
    return QByteArray("OHlLeo\x1a").contains(c);
}

void DigitizerEmulator::receive(const QByteArray &bytes, qint64 nowMs)
{
    advanceTo(nowMs);
    m_inbox += bytes;
    for (;;) {
        while (!m_inbox.isEmpty() && (m_inbox[0] == '\r' || m_inbox[0] == '\n'))
            m_inbox.remove(0, 1);
        if (m_inbox.isEmpty())
            return;
        if (needsTerminator(m_inbox[0])) {
            const qsizetype cr = m_inbox.indexOf('\r');
            if (cr < 0) {
                // A command line longer than the device's input buffer is thrown away.
                if (m_inbox.size() > MaxCommandLength)
                    m_inbox.clear();
                return;
            }
            const QByteArray cmd = m_inbox.left(cr);
            m_inbox.remove(0, cr + 1);
            command(cmd);
        } else {
            const QByteArray cmd = m_inbox.left(1);
            m_inbox.remove(0, 1);
            command(cmd);
        }
    }
}

void DigitizerEmulator::command(const QByteArray &cmd)
{
    const char c = cmd[0];
    const QByteArray args = cmd.mid(1);
    const QList<QByteArray> parts = args.split(',');
    switch (c) {
    case 'P':
        m_continuous = false;
        // In ISOTRAK digitizer mode only the stylus button produces records.
        if (!m_isoDigitizerMode)
            queueRecord();
        break;
    case 'Y':
        if (m_opt.model == Model::Isotrak)
            m_isoDigitizerMode = true;
        break;
    case 'T':
        m_isoDigitizerMode = false;
        break;
    case 'C':
        m_continuous = true;
        m_nextStream = static_cast<double>(m_now);
        break;
    case 'c':
        m_continuous = false;
        break;
    case 'u':
        m_inches = false;
        break;
    case 'U':
        if (m_opt.model == Model::Patriot)
            m_inches = args.trimmed() != "1";
        else
            m_inches = true;
        break;
    case 'H':
        if (parts.size() >= 4) {
            const int st = parts[0].toInt();
            const Point3 h(parts[1].toDouble(), parts[2].toDouble(), parts[3].toDouble());
            if (st >= 1 && st <= 4 && h.norm() > 0)
                m_hemisphere[st - 1] = h.normalized();
        }
        break;
    case 'o': {
        // The device knows its own rates; any other argument leaves the line as it was.
        static const QList<int> rates = {12, 24, 48, 96, 192, 384, 576, 1152};
        bool ok = false;
        const int rate = parts.value(0).trimmed().toInt(&ok);
        if (ok && rates.contains(rate))
            m_baud = rate * 100;
        break;
    }
    case 'S':
        enqueue("21S" + QByteArray(m_inches ? "I" : "C") + "0000000000000\r\n", m_now);
        break;
    case 'l':
        if (!args.contains(','))
            enqueue("21l" + QByteArray(stations() == 4 ? "1111" : "11") + "\r\n", m_now);
        break;
    case '\x1a':
        enqueue("PATRIOT emulated, sensors 2\r\n", m_now);
        break;
    default:
        // O, e, L, Y, E, i, T, ^D: accepted; the record layout they set is fixed.
        break;
    }
}

double DigitizerEmulator::recordIntervalMs() const
{
    const double perStation = m_opt.model == Model::Patriot
                                  ? 60.0
                                  : (m_opt.model == Model::Fastrak ? 120.0 / stations() : 60.0);
    return 1000.0 / perStation;
}

void DigitizerEmulator::schedule(qint64 atMs, std::function<void()> action)
{
    m_schedule.emplace_back(atMs, std::move(action));
}

void DigitizerEmulator::advanceTo(qint64 nowMs)
{
    if (nowMs < m_now)
        return;
    // Run due actions in time order; each sees the line as it was at its own time.
    for (;;) {
        auto due = m_schedule.end();
        for (auto it = m_schedule.begin(); it != m_schedule.end(); ++it) {
            if (it->first <= nowMs && (due == m_schedule.end() || it->first < due->first))
                due = it;
        }
        if (due == m_schedule.end())
            break;
        auto action = std::move(due->second);
        const qint64 at = std::max(due->first, m_now);
        m_schedule.erase(due);
        drainUntil(at);
        m_now = at;
        action();
    }
    drainUntil(nowMs);
    m_now = nowMs;
}

void DigitizerEmulator::enqueue(const QByteArray &bytes, double atMs)
{
    if (m_queue.isEmpty())
        m_lineTime = std::max(m_lineTime, atMs);
    m_queue += bytes;
}

void DigitizerEmulator::drainUntil(qint64 t)
{
    const double charMs = 10000.0 / m_baud;
    for (;;) {
        if (m_queue.isEmpty()) {
            if (!(m_holding || m_continuous))
                return;
            // A stream sends its next record when the device has one and the line is free.
            const double gen = std::max(m_nextStream, m_lineTime);
            if (gen > t)
                return;
            enqueue(record(), gen);
            ++m_recordsSent;
            m_nextStream = gen + recordIntervalMs();
        }
        const qsizetype fit = static_cast<qsizetype>((t - m_lineTime) / charMs + 1e-9);
        const qsizetype n = std::min<qsizetype>(fit, m_queue.size());
        if (n <= 0)
            return;
        m_delivered += m_queue.left(n);
        m_queue.remove(0, n);
        m_lineTime += n * charMs;
    }
}

QByteArray DigitizerEmulator::takeDelivered()
{
    QByteArray out = m_delivered;
    m_delivered.clear();
    return out;
}

void DigitizerEmulator::touchSite(const QString &name)
{
    m_touchHead = m_head.site(name);
}

void DigitizerEmulator::touchPoint(const Point3 &p)
{
    m_touchHead = p;
}

void DigitizerEmulator::press()
{
    queueRecord();
}

void DigitizerEmulator::hold()
{
    m_holding = true;
    m_nextStream = static_cast<double>(m_now);
}

void DigitizerEmulator::release()
{
    m_holding = false;
}

void DigitizerEmulator::moveHead(double dx, double dy, double dz, double rx, double ry, double rz)
{
    const Transform4 motion = pose(dx, dy, dz, rx, ry, rz);
    // Turn about the head's own centre, then shift.
    Transform4 t = m_headPose;
    t.block<3, 3>(0, 0) = motion.block<3, 3>(0, 0) * m_headPose.block<3, 3>(0, 0);
    t.block<3, 1>(0, 3) += motion.block<3, 1>(0, 3);
    m_headPose = t;
}

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

QByteArray DigitizerEmulator::stationBlock(int station, bool withOrientation)
{
    Transform4 pose4 = Transform4::Identity();
    Point3 p;
    if (station == 1) {
        p = noisy(apply(m_headPose, m_touchHead));
    } else {
        pose4 = receiverPose(station - 2);
        p = noisy(pose4.block<3, 1>(0, 3));
    }
    const RecordLayout &l = traitsOf(m_opt.model).layout;
    const Point3 r = reported(p, station);
    QByteArray b = "0" + QByteArray::number(station) + " ";
    for (int i = 0; i < 3; ++i)
        b += fmt(l.stylus, r[i]);
    if (withOrientation) {
        const Eigen::Matrix3d rot = pose4.block<3, 3>(0, 0);
        for (int j = 0; j < 3; ++j) {
            for (int i = 0; i < 3; ++i) {
                // FASTRAK sends the rows of the receiver's rotation, ISOTRAK its axes.
                const double v = l.triplesAreColumns ? rot(j, i) : rot(i, j);
                b += fmt(l.cosine, v);
            }
        }
    }
    return b + "\r\n";
}

QByteArray DigitizerEmulator::patriotRecord()
{
    const RecordLayout &l = traitsOf(m_opt.model).layout;
    const Point3 tip = reported(noisy(apply(m_headPose, m_touchHead)), 1);
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

QByteArray DigitizerEmulator::record()
{
    switch (m_opt.model) {
    case Model::Fastrak: {
        QByteArray r = stationBlock(1, false);
        for (int st = 2; st <= 4; ++st)
            r += stationBlock(st, true);
        return r;
    }
    case Model::Isotrak:
        // An ISOTRAK without a receiver is a one-station device: the stylus block alone.
        if (m_opt.receivers == 0)
            return stationBlock(1, true);
        return stationBlock(1, true) + stationBlock(2, true);
    case Model::Patriot:
        return patriotRecord();
    case Model::NoDigitizer:
    case Model::Dummy:
        break;
    }
    return {};
}

void DigitizerEmulator::queueRecord()
{
    QByteArray r = record();
    if (m_cutNext >= 0) {
        r.truncate(m_cutNext);
        m_cutNext = -1;
    }
    enqueue(r, static_cast<double>(m_now));
    ++m_recordsSent;
}

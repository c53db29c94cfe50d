#include "digitizer_emulator.h"

#include <Eigen/Geometry>
#include <algorithm>
#include <cmath>

namespace {
constexpr qsizetype MaxCommandLength = 256;
// Surface path samples are this close; chords this short stay within 2e-6 m of the scalp.
constexpr double PathStepMetres = 0.001;
// A tap that stops a FASTRAK or PATRIOT sweep comes after the host has started the stream.
constexpr qint64 ShortestToggledSweepMs = 1000;

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

QList<int> itemsOf(const QList<QByteArray> &parts)
{
    QList<int> items;
    for (const QByteArray &p : parts) {
        bool ok = false;
        const int item = p.trimmed().toInt(&ok);
        if (ok)
            items << item;
    }
    return items;
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
    m_baud = traitsOf(m_opt.model).lineSettings.section(QLatin1Char(','), 0, 0).toInt();
    m_touchHead = m_head.site(QStringLiteral("Cz"));
    powerUp();
}

void DigitizerEmulator::powerUp()
{
    m_hemisphere.assign(4, Point3(0, 0, 1));
    m_inches = true;
    m_continuous = false;
    m_streamOn = false;
    m_buttonMode = 1;
    m_isoDigitizerMode = false;
    m_isoCtrlD = false;
    m_isoTrack = false;
    m_stationOn = {true, true, true, true};
    const QList<int> stylus = {2, 1};
    const QList<int> full = {2, 5, 6, 7, 1};
    switch (m_opt.model) {
    case Model::Fastrak:
        m_outputs = {stylus, full, full, full};
        break;
    case Model::Isotrak:
        m_outputs = {full, full, {}, {}};
        // An ISOTRAK without a receiver is a one-station device.
        m_stationOn = {true, m_opt.receivers > 0, false, false};
        break;
    case Model::Patriot:
        m_outputs = {stylus, {2, 6, 1}, {}, {}};
        m_stationOn = {true, true, false, false};
        break;
    case Model::NoDigitizer:
    case Model::Dummy:
        break;
    }
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

bool DigitizerEmulator::stationOn(int station) const
{
    return station >= 1 && station <= stations() && m_stationOn[station - 1];
}

int DigitizerEmulator::activeStations() const
{
    int n = 0;
    for (int st = 1; st <= stations(); ++st)
        n += stationOn(st) ? 1 : 0;
    return n;
}

QList<int> DigitizerEmulator::outputList(int station) const
{
    if (m_opt.model == Model::Isotrak)
        return m_outputs[0];
    return station >= 1 && station <= 4 ? m_outputs[station - 1] : QList<int>();
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

bool DigitizerEmulator::isotrakDigitizing() const
{
    return m_opt.model == Model::Isotrak && m_isoDigitizerMode && m_isoCtrlD;
}

bool DigitizerEmulator::streaming() const
{
    if (!m_continuous)
        return false;
    if (isotrakDigitizing())
        return m_isoTrack && m_buttonHeld;
    return m_streamOn;
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

void DigitizerEmulator::setOutputList(const QList<QByteArray> &parts)
{
    if (m_opt.model == Model::Isotrak) {
        m_outputs[0] = m_outputs[1] = itemsOf(parts);
        return;
    }
    const int st = parts.value(0).trimmed().toInt();
    if (st >= 1 && st <= stations())
        m_outputs[st - 1] = itemsOf(parts.mid(1));
}

void DigitizerEmulator::command(const QByteArray &cmd)
{
    const char c = cmd[0];
    const QByteArray args = cmd.mid(1);
    const QList<QByteArray> parts = args.split(',');
    const bool isotrak = m_opt.model == Model::Isotrak;
    const bool patriot = m_opt.model == Model::Patriot;
    switch (c) {
    case 'P':
        if (patriot)
            m_continuous = false;
        if (!isotrakDigitizing())
            queueRecord();
        break;
    case 'Y':
        if (isotrak)
            m_isoDigitizerMode = true;
        break;
    case 'T':
        // Leaving digitizer mode also forgets ^D, so the next "Y" starts from the same state
        // however the last sequence ended.
        m_isoDigitizerMode = false;
        m_isoCtrlD = false;
        break;
    case '\x04':
        m_isoCtrlD = !m_isoCtrlD;
        break;
    case 'E':
        m_isoTrack = false;
        break;
    case 'i':
        m_isoTrack = true;
        break;
    case 'C':
        m_continuous = true;
        m_streamOn = true;
        m_nextStream = static_cast<double>(m_now);
        break;
    case 'c':
        m_continuous = false;
        m_streamOn = false;
        break;
    case 'u':
        m_inches = false;
        break;
    case 'U':
        if (patriot)
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
    case 'O':
        if (!args.contains(',') && !isotrak) {
            const int st = args.trimmed().isEmpty() ? 1 : args.trimmed().toInt();
            if (st >= 1 && st <= stations())
                enqueue(outputListAnswer(st), m_now);
        } else {
            setOutputList(parts);
        }
        break;
    case 'l':
        if (args.contains(',')) {
            const int st = parts[0].trimmed().toInt();
            const bool absent = isotrak && m_opt.receivers == 0 && st == 2;
            if (st >= 1 && st <= stations() && !absent)
                m_stationOn[st - 1] = parts[1].trimmed() == "1";
        } else {
            enqueue(stationAnswer(args.trimmed().isEmpty() ? 1 : args.trimmed().toInt()), m_now);
        }
        break;
    case 'e':
    case 'L':
        // Station 1's button: e1,n on a FASTRAK, L1,n on a PATRIOT.
        if ((c == 'e') != patriot && parts.size() >= 2 && parts[0].trimmed() == "1")
            m_buttonMode = parts[1].trimmed().toInt() == 0 ? 0 : 1;
        break;
    case 'S':
        enqueue(statusAnswer(), m_now);
        break;
    case '\x1a':
        enqueue(configurationAnswer(), m_now);
        break;
    case '\x19':
        // ^Y re-initialises the device; the line keeps its rate.
        powerUp();
        break;
    default:
        break;
    }
}

double DigitizerEmulator::recordIntervalMs() const
{
    // The FASTRAK's 120 Hz and the ISOTRAK's 60 Hz are shared by the active stations; the
    // PATRIOT measures both sensors 60 times a second.
    const double active = std::max(1, activeStations());
    switch (m_opt.model) {
    case Model::Fastrak:
        return 1000.0 * active / 120.0;
    case Model::Isotrak:
        return 1000.0 * active / 60.0;
    default:
        return 1000.0 / 60.0;
    }
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
            if (!streaming())
                return;
            // A stream sends its next record when the device has one and the line is free.
            const double gen = std::max(m_nextStream, m_lineTime);
            if (gen > t)
                return;
            const QByteArray r = recordAt(gen);
            m_nextStream = gen + recordIntervalMs();
            if (r.isEmpty())
                continue;
            enqueue(r, gen);
            ++m_recordsSent;
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
    m_path.reset();
}

void DigitizerEmulator::touchPoint(const Point3 &p)
{
    m_touchHead = p;
    m_path.reset();
}

void DigitizerEmulator::press()
{
    hold();
    release();
}

void DigitizerEmulator::hold()
{
    if (m_buttonHeld)
        return;
    m_buttonHeld = true;
    if (isotrakDigitizing()) {
        if (m_isoTrack && m_continuous)
            m_nextStream = static_cast<double>(m_now);
        else
            queueRecord();
        return;
    }
    if (m_buttonMode == 0 && m_opt.model != Model::Isotrak)
        return;
    if (m_continuous) {
        m_streamOn = !m_streamOn;
        m_nextStream = static_cast<double>(m_now);
    } else {
        queueRecord();
    }
}

void DigitizerEmulator::release()
{
    m_buttonHeld = false;
}

qint64 DigitizerEmulator::sweep(const std::vector<Point3> &headPoints, double speedCmPerS)
{
    if (headPoints.empty() || !(speedCmPerS > 0))
        return m_now;
    StylusPath path;
    path.points = {headPoints.front()};
    for (size_t i = 1; i < headPoints.size(); ++i) {
        const std::vector<Point3> leg =
            m_head.surfacePath(headPoints[i - 1], headPoints[i], PathStepMetres);
        path.points.insert(path.points.end(), leg.begin() + 1, leg.end());
    }
    path.along.assign(path.points.size(), 0.0);
    for (size_t i = 1; i < path.points.size(); ++i)
        path.along[i] = path.along[i - 1] + (path.points[i] - path.points[i - 1]).norm();
    path.startMs = static_cast<double>(m_now);
    path.metresPerMs = speedCmPerS * 0.01 / 1000.0;
    const qint64 start = m_now;
    qint64 end = start + static_cast<qint64>(std::ceil(path.along.back() / path.metresPerMs));
    const Point3 last = path.points.back();
    m_path = std::move(path);

    const bool held = m_opt.model == Model::Isotrak;
    if (held) {
        hold();
    } else {
        press();
        end = std::max(end, start + ShortestToggledSweepMs);
    }
    schedule(end, [this, held, last] {
        if (held)
            release();
        else
            press();
        m_touchHead = last;
        m_path.reset();
    });
    return end;
}

Point3 DigitizerEmulator::stylusTip(double atMs) const
{
    if (!m_path)
        return m_touchHead;
    const StylusPath &p = *m_path;
    const double s = std::max(0.0, (atMs - p.startMs) * p.metresPerMs);
    if (s >= p.along.back())
        return p.points.back();
    const auto it = std::upper_bound(p.along.begin(), p.along.end(), s);
    const size_t i = static_cast<size_t>(it - p.along.begin());
    const double seg = p.along[i] - p.along[i - 1];
    const double f = seg > 0 ? (s - p.along[i - 1]) / seg : 0.0;
    const Point3 chord = p.points[i - 1] + f * (p.points[i] - p.points[i - 1]);
    // Back onto the scalp along the ray from the centre.
    const Point3 axes = m_head.semiAxes();
    return chord / chord.cwiseQuotient(axes).norm();
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

QByteArray DigitizerEmulator::record()
{
    return recordAt(static_cast<double>(m_now));
}

void DigitizerEmulator::queueRecord()
{
    QByteArray r = record();
    if (r.isEmpty())
        return;
    if (m_cutNext >= 0) {
        r.truncate(m_cutNext);
        m_cutNext = -1;
    }
    enqueue(r, static_cast<double>(m_now));
    ++m_recordsSent;
}

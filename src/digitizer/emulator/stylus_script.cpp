#include "stylus_script.h"

#include "digitizer/emulator/digitizer_emulator.h"

#include <stdexcept>

bool parseStylusCommand(const QString &line, std::optional<StylusCommand> &out, QString &error)
{
    out.reset();
    const QStringList w = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (w.isEmpty() || w[0].startsWith(QLatin1Char('#')))
        return true;
    const QString verb = w[0].toLower();
    auto numbers = [&](int count, StylusCommand &c) {
        if (w.size() != count + 1)
            return false;
        for (int i = 0; i < count; ++i) {
            bool ok = false;
            c.v[i] = w[i + 1].toDouble(&ok);
            if (!ok)
                return false;
        }
        return true;
    };
    StylusCommand c{};
    c.kind = StylusCommand::Kind::Press;
    if (verb == QLatin1String("touch") && w.size() == 2) {
        c.kind = StylusCommand::Kind::Touch;
        c.site = w[1];
    } else if (verb == QLatin1String("touch")) {
        c.kind = StylusCommand::Kind::TouchPoint;
        if (!numbers(3, c)) {
            error = QStringLiteral("touch needs a site name or three numbers (cm)");
            return false;
        }
    } else if (verb == QLatin1String("press") && w.size() == 1) {
        c.kind = StylusCommand::Kind::Press;
    } else if (verb == QLatin1String("hold") && w.size() == 1) {
        c.kind = StylusCommand::Kind::Hold;
    } else if (verb == QLatin1String("release") && w.size() == 1) {
        c.kind = StylusCommand::Kind::Release;
    } else if (verb == QLatin1String("move-head")) {
        c.kind = StylusCommand::Kind::MoveHead;
        if (!numbers(6, c)) {
            error = QStringLiteral("move-head needs dx dy dz (cm) and rx ry rz (degrees)");
            return false;
        }
    } else if (verb == QLatin1String("sweep")) {
        c.kind = StylusCommand::Kind::Sweep;
        QStringList rest = w.mid(1);
        if (rest.size() >= 2 && rest[rest.size() - 2].toLower() == QLatin1String("speed")) {
            bool ok = false;
            c.speed = rest.last().toDouble(&ok);
            if (!ok || !(c.speed > 0) || c.speed > 1000) {
                error = QStringLiteral("sweep speed needs a number of cm/s above 0");
                return false;
            }
            rest = rest.mid(0, rest.size() - 2);
        }
        if (rest.size() < 2) {
            error = QStringLiteral("sweep needs at least two sites, then optionally speed CM/S");
            return false;
        }
        c.sites = rest;
    } else if (verb == QLatin1String("wait")) {
        c.kind = StylusCommand::Kind::Wait;
        bool ok = false;
        c.waitMs = w.size() == 2 ? w[1].toInt(&ok) : 0;
        if (!ok || c.waitMs < 0) {
            error = QStringLiteral("wait needs a number of milliseconds");
            return false;
        }
    } else if (verb == QLatin1String("quit") && w.size() == 1) {
        c.kind = StylusCommand::Kind::Quit;
    } else {
        error = QStringLiteral("unknown command: ") + line.trimmed();
        return false;
    }
    out = c;
    return true;
}

bool applyStylusCommand(const StylusCommand &c, DigitizerEmulator &emu, QString &error,
                        qint64 *busyUntil)
{
    if (busyUntil)
        *busyUntil = emu.now();
    switch (c.kind) {
    case StylusCommand::Kind::Sweep: {
        std::vector<Point3> points;
        for (const QString &site : c.sites) {
            if (!emu.head().hasSite(site)) {
                error = QStringLiteral("no site named ") + site;
                return false;
            }
            points.push_back(emu.head().site(site));
        }
        const qint64 end = emu.sweep(points, c.speed);
        if (busyUntil)
            *busyUntil = end;
        break;
    }
    case StylusCommand::Kind::Touch:
        if (!emu.head().hasSite(c.site)) {
            error = QStringLiteral("no site named ") + c.site;
            return false;
        }
        emu.touchSite(c.site);
        break;
    case StylusCommand::Kind::TouchPoint:
        emu.touchPoint(Point3(c.v[0], c.v[1], c.v[2]) * 0.01);
        break;
    case StylusCommand::Kind::Press:
        emu.press();
        break;
    case StylusCommand::Kind::Hold:
        emu.hold();
        break;
    case StylusCommand::Kind::Release:
        emu.release();
        break;
    case StylusCommand::Kind::MoveHead:
        emu.moveHead(c.v[0] * 0.01, c.v[1] * 0.01, c.v[2] * 0.01, c.v[3], c.v[4], c.v[5]);
        break;
    case StylusCommand::Kind::Wait:
    case StylusCommand::Kind::Quit:
        break;
    }
    return true;
}

QString stylusCommandHelp()
{
    return QStringLiteral(
        "Stylus commands (standard input or --script, one a line, '#' starts a comment):\n"
        "  touch SITE            put the stylus on a named site (Nasion, LPA, RPA, Cz, Fp1, ...)\n"
        "  touch X Y Z           put the stylus on a point of the head frame, cm\n"
        "  press                 press the button once (one record)\n"
        "  hold / release        hold the button down, let it go (what that sends depends on\n"
        "                        the model and its mode: see the README)\n"
        "  sweep SITE SITE ... [speed CM/S]   move the stylus over the scalp through the sites\n"
        "                        (default 5 cm/s), working the button for one head-shape\n"
        "                        sequence; the next command waits until the sweep ends\n"
        "  move-head DX DY DZ RX RY RZ   move the head: cm, then degrees about x, y, z\n"
        "  wait MS               pause the script\n"
        "  quit                  stop serving\n");
}

#include "live_checks.h"

#include "geometry/electrode_sets.h"

namespace LiveChecks {

Point3 onHead(const Reading &reading, int headReceivers)
{
    return referredStylus(reading, headReceivers > 0 ? 1 : 0);
}

bool pressedTwice(const Reading &previous, const Reading &current, int headReceivers)
{
    return (onHead(previous, headReceivers) - onHead(current, headReceivers)).norm() <
           PressedTwiceMetres;
}

QString pressedTwiceLine(const QString &name, const QString &previousName)
{
    return QStringLiteral("%1 is within 2 mm of %2: pressed twice? Back retakes it")
        .arg(name, previousName);
}

QString deltaLine(int fiducial, double deltaCm, const QString &formatted, bool &warn)
{
    warn = deltaCm > DeltaWarningCm;
    QString line =
        QStringLiteral("Delta - F%1: ").arg(fiducial) + formatted + QStringLiteral(" cm");
    if (warn)
        line += QStringLiteral("  repeat recommended");
    return line;
}

double receiverMovedCm(const Reading &first, const Reading &later, int receiver)
{
    return (first.receiver(receiver).positionCm - later.receiver(receiver).positionCm).norm();
}

QString receiverMovedLine(const QString &who, const QString &formattedCm)
{
    return QStringLiteral("%1 moved %2 cm relative to the transmitter between the passes: "
                          "repeat recommended")
        .arg(who, formattedCm);
}

} // namespace LiveChecks

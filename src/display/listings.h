#pragma once

#include <QString>
#include <QStringList>

struct Workspace;

// The text listings of the View menu; lines are separated by single CR characters.
namespace Listings {
// The listings by view name, in the order of the View menu.
inline const QStringList ViewNames = {
    QStringLiteral("Dewar Data"),     QStringLiteral("Calibration Data"),
    QStringLiteral("Fiducials Data"), QStringLiteral("Probe Data"),
    QStringLiteral("Sequence Data"),  QStringLiteral("Internal Electrode Data"),
    QStringLiteral("Electrode Data"), QStringLiteral("Shape Data")};

QString dewar(const Workspace &ws);
QString calibration(const Workspace &ws);
QString fiducials(const Workspace &ws);
QString probe(const Workspace &ws);
QString sequence(const Workspace &ws);
QString internalElectrodes(const Workspace &ws);
// In the current coordinate system: TEVO, BESA or Curry set.
QString electrodes(const Workspace &ws);
QString shape(const Workspace &ws);
// The listing a view name stands for; empty optional for "Clear View" or an unknown name.
QString byViewName(const Workspace &ws, const QString &view, bool *known = nullptr);
} // namespace Listings

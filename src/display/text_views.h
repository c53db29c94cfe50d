#pragma once

#include <QString>
#include <QStringList>

struct Session;
struct Workspace;
class CommandTable;

// The text listings of the View menu; lines are separated by single CR characters.
namespace Listings {
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

// The View menu and UpdateView: the listing on show goes to the label Label04.
class TextViews
{
public:
    static inline const QStringList ViewNames = {
        QStringLiteral("Dewar Data"),     QStringLiteral("Calibration Data"),
        QStringLiteral("Fiducials Data"), QStringLiteral("Probe Data"),
        QStringLiteral("Sequence Data"),  QStringLiteral("Internal Electrode Data"),
        QStringLiteral("Electrode Data"), QStringLiteral("Shape Data")};
    static inline const QStringList MenuItems = {
        QStringLiteral("menuViewDewar"),     QStringLiteral("menuViewCalibration"),
        QStringLiteral("menuViewFiducials"), QStringLiteral("menuViewProbe"),
        QStringLiteral("menuViewSequence"),  QStringLiteral("menuViewEInternal"),
        QStringLiteral("menuViewEProbe"),    QStringLiteral("menuViewShape")};

    explicit TextViews(Session &session) : m_s(session) {}
    void registerCommands(CommandTable &table);
    void show(const QString &viewName);
    void clear();
    void UpdateView();

private:
    Session &m_s;
};

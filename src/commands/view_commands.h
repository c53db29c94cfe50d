#pragma once

#include <QString>
#include <QStringList>

struct Session;
class CommandTable;

// The View menu and UpdateView: the listing on show goes to the data listing.
class ViewCommands
{
public:
    static inline const QStringList MenuItems = {
        QStringLiteral("menuViewDewar"),     QStringLiteral("menuViewCalibration"),
        QStringLiteral("menuViewFiducials"), QStringLiteral("menuViewProbe"),
        QStringLiteral("menuViewSequence"),  QStringLiteral("menuViewEInternal"),
        QStringLiteral("menuViewEProbe"),    QStringLiteral("menuViewShape")};

    explicit ViewCommands(Session &session) : m_s(session) {}
    void registerCommands(CommandTable &table);
    void show(const QString &viewName);
    void clear();
    void UpdateView();

private:
    Session &m_s;
};

#pragma once

#include <QString>
#include <QStringList>

struct Session;

// Window caption and the menu states that follow from the settings.
namespace SetupMenus {
inline const QStringList DigitizerItems = {QStringLiteral("menuDigitizerISOTRAK"),
                                           QStringLiteral("menuDigitizerPATRIOT"),
                                           QStringLiteral("menuDigitizerFASTRAK")};
inline const QStringList CoordinateItems = {QStringLiteral("menuCoordinatesTEVO"),
                                            QStringLiteral("menuCoordinatesBESA"),
                                            QStringLiteral("menuCoordinatesCurry")};
inline const QStringList DecimalItems = {QStringLiteral("menuDecimalPointPeriod"),
                                         QStringLiteral("menuDecimalPointComma")};
inline const QStringList CommPortItems = {
    QStringLiteral("menuCommPort1"), QStringLiteral("menuCommPort2"),
    QStringLiteral("menuCommPort3"), QStringLiteral("menuCommPort4")};
inline const QStringList HemisphereItems = {
    QStringLiteral("menuXplus"),  QStringLiteral("menuXminus"), QStringLiteral("menuYplus"),
    QStringLiteral("menuYminus"), QStringLiteral("menuZplus"),  QStringLiteral("menuZminus")};
inline const QStringList HemisphereVectors = {QStringLiteral("1,0,0"), QStringLiteral("-1,0,0"),
                                              QStringLiteral("0,1,0"), QStringLiteral("0,-1,0"),
                                              QStringLiteral("0,0,1"), QStringLiteral("0,0,-1")};
inline const QStringList ReceiverItems = {QStringLiteral("menuZero"), QStringLiteral("menuOne"),
                                          QStringLiteral("menuTwo"), QStringLiteral("menuThree")};
inline const QStringList SoundItems = {QStringLiteral("menuSoundON"),
                                       QStringLiteral("menuSoundOFF")};

inline const QString FilterTevo = QStringLiteral(
    "Sequence File (*.seq)|*.seq|TEVO Electrode File (*.elp)|*.elp|Shape File (*.hsp)|*.hsp");
inline const QString FilterBesa =
    QStringLiteral("Sequence File (*.seq)|*.seq|BESA Surface Point File (*.sfp)|*.sfp|");
inline const QString FilterCurry =
    QStringLiteral("Sequence File (*.seq)|*.seq|Curry (*.res)|*.res|");

bool isModel(const QString &digitizerType);
void UpdateSetupMenus(Session &s);
void UpdateHemisphereMenu(Session &s);
void UpdateCommPortMenu(Session &s);
// Digitize > Receivers On Subject: 0..3.
void selectReceivers(Session &s, int count);
} // namespace SetupMenus

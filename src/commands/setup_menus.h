#pragma once

#include <QString>
#include <QStringList>

#include "data/digitizer_models.h"

struct Session;

// Window caption and the menu states that follow from the settings.
namespace SetupMenus {
// The Setup > Digitizer Type item of a model ("menuDigitizerFASTRAK").
QString digitizerItem(DigitizerModel model);
QStringList digitizerItems();
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

void UpdateSetupMenus(Session &s);
void UpdateHemisphereMenu(Session &s);
void UpdateCommPortMenu(Session &s);
// Digitize > Receivers On Subject: 0..3.
void selectReceivers(Session &s, int count);
// After a fiducials file was read: its receiver count in the receiver items, and the MEG steps
// that build on it made available.
void showFiducialsReceivers(Session &s);
// The check mark of the Baude Rate item of a line settings text ("38400,n,8,1").
void checkBaudItem(Session &s, const QString &settings);
inline const QStringList BaudItems = {QStringLiteral("menu96"), QStringLiteral("menu192"),
                                      QStringLiteral("menu384"), QStringLiteral("menu576"),
                                      QStringLiteral("menu1152")};
} // namespace SetupMenus

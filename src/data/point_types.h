#pragma once

#include <QString>
#include <QStringList>

class Dialogs;

// The hexadecimal point type codes shared by sequences, electrode sets and conversions.
namespace PointTypes {
inline const QString Nasion = QStringLiteral("1");
inline const QString LeftPreauricular = QStringLiteral("2");
inline const QString RightPreauricular = QStringLiteral("4");
inline const QString OtherNamed = QStringLiteral("8");
inline const QString Electrode = QStringLiteral("400");
inline const QString Reference = QStringLiteral("1C00");
inline const QString OtherSensor = QStringLiteral("4000");
// Nasion, left and right preauricular point, in the order of the head frame's fiducials.
inline QStringList fiducialCodes()
{
    return {Nasion, LeftPreauricular, RightPreauricular};
}
inline bool isFiducial(const QString &code)
{
    return code == Nasion || code == LeftPreauricular || code == RightPreauricular;
}
} // namespace PointTypes

// Empty name and a message for an unknown code.
QString PointTypeName(const QString &code, Dialogs &dialogs);
// The first code of the name's row; an unknown name leaves `code` unchanged and says so.
void PointTypeCode(const QString &name, QString &code, Dialogs &dialogs);
bool IsSupportedCode(const QString &code);
// Lookup without a message, for callers that report on their own.
QString pointTypeNameOf(const QString &code);

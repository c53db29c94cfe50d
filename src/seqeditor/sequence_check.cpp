#include "sequence_check.h"

#include "data/point_types.h"

#include <QHash>

namespace {
QString rowText(int index, const QString &name)
{
    return QStringLiteral("Row %1 (%2)").arg(index + 1).arg(name);
}

QString typeText(const QString &code)
{
    const QString name = pointTypeNameOf(code);
    if (!name.isEmpty())
        return name;
    return code.isEmpty() ? QStringLiteral("no type") : QStringLiteral("code ") + code;
}

void checkFiducials(const QStringList &names, const QStringList &codes, QStringList &faults)
{
    const QStringList wanted = {PointTypes::Nasion, PointTypes::LeftPreauricular,
                                PointTypes::RightPreauricular};
    if (names.size() < 3) {
        faults << QStringLiteral("The sequence has %1 rows; it must start with the three "
                                 "fiducials.")
                      .arg(names.size());
        return;
    }
    QStringList missing = wanted;
    for (int i = 0; i < 3; ++i)
        missing.removeOne(codes.value(i));
    if (missing.isEmpty())
        return;
    QString line = QStringLiteral("Rows 1 to 3 must be one each of the fiducials Nasion, Left "
                                  "Preauricular and Right Preauricular; they are:");
    for (int i = 0; i < 3; ++i)
        line += QLatin1Char(' ') + rowText(i, names.at(i)) + QStringLiteral(" ") +
                typeText(codes.value(i)) + (i < 2 ? QStringLiteral(",") : QStringLiteral("."));
    faults << line;
}
} // namespace

QStringList sequenceFaults(const QStringList &names, const QStringList &codes)
{
    QStringList faults;
    checkFiducials(names, codes, faults);
    for (int i = 0; i < names.size(); ++i) {
        const QString &name = names.at(i);
        if (name.size() > 8)
            faults << rowText(i, name) + QStringLiteral(": the name is longer than 8 characters.");
        if (name.contains(QLatin1Char('\t')) || name.contains(QLatin1Char('\r')) ||
            name.contains(QLatin1Char('\n')))
            faults << QStringLiteral("Row %1: the name holds a TAB or a line break.").arg(i + 1);
    }
    // Electrode files store names as eight blank-padded characters, so trailing blanks do not
    // count.
    QHash<QString, int> firstRow;
    for (int i = 3; i < names.size(); ++i) {
        QString key = names.at(i).left(8);
        while (key.endsWith(QLatin1Char(' ')))
            key.chop(1);
        const auto it = firstRow.constFind(key);
        if (it != firstRow.constEnd())
            faults << rowText(i, names.at(i)) +
                          QStringLiteral(" has the same name as row %1.").arg(*it + 1);
        else
            firstRow.insert(key, i);
    }
    return faults;
}

#include "point_types.h"

#include "seams/dialogs.h"

#include <array>
#include <utility>

namespace {
using Row = std::pair<const char *, const char *>;
// Reading accepts every row; a name maps back to its first row.
constexpr std::array<Row, 11> Table = {{
    {"1", "Fiducial, Nasion"},
    {"2", "Fiducial, Left Preauricular"},
    {"4", "Fiducial, Right Preauricular"},
    {"8", "Other Named Point"},
    {"400", "Electrode"},
    {"1400", "Electrode"},
    {"1C00", "Reference"},
    {"1c00", "Reference"},
    {"C00", "Reference"},
    {"c00", "Reference"},
    {"4000", "Other Sensor Type"},
}};
} // namespace

QString pointTypeNameOf(const QString &code)
{
    for (const auto &[c, n] : Table) {
        if (code == QLatin1String(c))
            return QString::fromLatin1(n);
    }
    return {};
}

QString PointTypeName(const QString &code, Dialogs &dialogs)
{
    const QString name = pointTypeNameOf(code);
    if (name.isEmpty())
        dialogs.show(QStringLiteral("Code ") + code + QStringLiteral("  is not supported"));
    return name;
}

void PointTypeCode(const QString &name, QString &code, Dialogs &dialogs)
{
    for (const auto &[c, n] : Table) {
        if (name == QLatin1String(n)) {
            code = QString::fromLatin1(c);
            return;
        }
    }
    dialogs.show(QStringLiteral("Type ") + name + QStringLiteral("  is not supported"));
}

bool IsSupportedCode(const QString &code)
{
    return !pointTypeNameOf(code).isEmpty();
}

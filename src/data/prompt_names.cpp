#include "prompt_names.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace PromptNames {

namespace {
// FNV-1a: the same value on every platform and in every run, so stored prompts are found again.
QString hash8(const QString &text)
{
    quint32 h = 2166136261u;
    for (const char c : text.toUtf8()) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return QStringLiteral("%1").arg(h, 8, 16, QLatin1Char('0'));
}

bool isUnsafeChar(QChar c)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    return c.unicode() < 0x20 || c.unicode() == 0x7f || forbidden.contains(c);
}

// Device names that Windows reserves whatever the extension.
bool isReservedDeviceName(const QString &stem)
{
    QString base = stem.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    static const QSet<QString> fixed = {QStringLiteral("CON"),    QStringLiteral("PRN"),
                                        QStringLiteral("AUX"),    QStringLiteral("NUL"),
                                        QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    if (fixed.contains(base))
        return true;
    return base.size() == 4 &&
           (base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT"))) &&
           base.at(3).isDigit();
}

constexpr int MaxStem = 64;
} // namespace

QString safeStem(const QString &name)
{
    if (name.isEmpty())
        return {};
    QString stem = name;
    for (QChar &c : stem) {
        if (isUnsafeChar(c))
            c = QLatin1Char('_');
    }
    // A leading dot hides the file or climbs out of the folder; a trailing dot or blank is
    // dropped by some file systems, which would merge two names.
    for (qsizetype i = 0; i < stem.size() && stem.at(i) == QLatin1Char('.'); ++i)
        stem[i] = QLatin1Char('_');
    for (qsizetype i = stem.size() - 1;
         i >= 0 && (stem.at(i) == QLatin1Char('.') || stem.at(i) == QLatin1Char(' ')); --i)
        stem[i] = QLatin1Char('_');
    if (isReservedDeviceName(stem))
        stem.prepend(QLatin1Char('_'));
    if (stem.size() > MaxStem)
        stem.truncate(MaxStem);
    if (stem != name)
        stem += QLatin1Char('~') + hash8(name);
    return stem;
}

QStringList fileStems(const QStringList &names)
{
    QStringList distinct = names;
    distinct.removeAll(QString());
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());

    QSet<QString> taken; // case-folded, since Windows and macOS fold letter case
    QHash<QString, QString> stemOf;
    for (const QString &name : distinct) {
        QString base = safeStem(name);
        if (taken.contains(base.toCaseFolded()) && base == name)
            base += QLatin1Char('~') + hash8(name);
        QString stem = base;
        for (int n = 2; taken.contains(stem.toCaseFolded()); ++n)
            stem = base + QLatin1Char('-') + QString::number(n);
        taken.insert(stem.toCaseFolded());
        stemOf.insert(name, stem);
    }
    QStringList out;
    out.reserve(names.size());
    for (const QString &name : names)
        out << stemOf.value(name);
    return out;
}

} // namespace PromptNames

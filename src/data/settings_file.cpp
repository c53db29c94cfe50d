#include "settings_file.h"

#include "data/file_error.h"
#include "data/number_text.h"
#include "data/text_grammar.h"
#include "data/text_out.h"
#include "data/workspace.h"

#include <QFile>

namespace SettingsFile {

void read(const QString &path, Settings &settings)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    readText(file.readAll(), settings);
}

void readText(const QByteArray &bytes, Settings &settings)
{
    LineReader reader(bytes);
    try {
        while (reader.hasDataLine()) {
            const QString line = reader.ReadDataLine();
            const qsizetype p = line.indexOf(QLatin1Char('='));
            if (p < 0)
                continue;
            const QString key = line.left(p);
            const QString value = line.mid(p + 1);
            if (key == QLatin1String("Digitizer Type"))
                settings.Digitizer = modelFromName(value);
            else if (key == QLatin1String("Coordinate System"))
                settings.CoordinateSystem = value;
            else if (key == QLatin1String("Decimal Point"))
                settings.DecimalPoint = value;
            else if (key == QLatin1String("Hemisphere"))
                settings.Hemisphere = value;
            else if (key == QLatin1String("nCommPort"))
                settings.CommPort = roundToInt(readNumber(value));
            else if (key == QLatin1String("Sound"))
                settings.SoundSetting = value;
        }
    } catch (const FileError &) {
        // hasDataLine guards every read; nothing left to recover.
    }
}

QByteArray text(const Settings &s)
{
    const QString crlf = QStringLiteral("\r\n");
    const QString all = QStringLiteral("Digitizer Type=") + traitsOf(s.Digitizer).name + crlf +
                        QStringLiteral("Coordinate System=") + s.CoordinateSystem + crlf +
                        QStringLiteral("Decimal Point=") + s.DecimalPoint + crlf +
                        QStringLiteral("Hemisphere=") + s.Hemisphere + crlf +
                        QStringLiteral("nCommPort=") + Str(s.CommPort) + crlf +
                        QStringLiteral("Sound=") + s.SoundSetting + crlf;
    return all.toLatin1();
}

bool write(const QString &path, const Settings &settings, QString &error)
{
    try {
        saveText(path, text(settings));
        return true;
    } catch (const FileError &e) {
        error = e.message();
        return false;
    }
}

} // namespace SettingsFile

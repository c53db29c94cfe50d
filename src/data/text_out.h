#pragma once

#include "data/save_path.h"

#include <QByteArray>
#include <QString>

struct Settings;

// Builds the 8-bit text of a file line by line, numbers through myFormat.
class TextOut
{
public:
    explicit TextOut(const Settings &settings, const char *lineEnd = "\r\n")
        : m_settings(settings), m_lineEnd(lineEnd)
    {}

    TextOut &line(const QString &text);
    // Raw device text as it came (a record keeps its own line ends), ended by a line end.
    TextOut &verbatim(const QString &text);
    // Reals with "#0.###0", joined by TABs.
    QString reals(std::initializer_list<double> values) const;
    QString real(double value, const char *pattern = "#0.###0") const;
    const QByteArray &bytes() const { return m_bytes; }

private:
    const Settings &m_settings;
    const char *m_lineEnd;
    QByteArray m_bytes;
};

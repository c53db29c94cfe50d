#pragma once

#include <QString>

// A name of exactly eight characters: longer text is cut, shorter is padded with blanks.
class Fixed8
{
public:
    static constexpr int Width = 8;

    Fixed8() : m_text(Width, QLatin1Char(' ')) {}
    Fixed8(const QString &text) : m_text(fit(text)) {}
    Fixed8(const char *text) : m_text(fit(QString::fromLatin1(text))) {}

    Fixed8 &operator=(const QString &text)
    {
        m_text = fit(text);
        return *this;
    }
    Fixed8 &operator=(const char *text) { return *this = QString::fromLatin1(text); }

    const QString &text() const { return m_text; }
    operator const QString &() const { return m_text; }
    QString trimmed() const { return m_text.trimmed(); }
    bool operator==(const Fixed8 &other) const { return m_text == other.m_text; }

private:
    static QString fit(const QString &text)
    {
        return text.left(Width).leftJustified(Width, QLatin1Char(' '));
    }
    QString m_text;
};

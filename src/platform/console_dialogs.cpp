#include "console_dialogs.h"

#include <cstdio>

Dialogs::Answer ConsoleDialogs::message(const QString &text, const QString &title, Buttons, Icon,
                                        Answer defaultAnswer)
{
    QString lines = text;
    lines.replace(QChar(13), QChar(10));
    m_shown << text;
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(lines));
    std::fflush(stderr);
    return defaultAnswer;
}

std::optional<QString> ConsoleDialogs::inputBox(const QString &, const QString &, const QString &)
{
    return std::nullopt;
}

std::optional<QString> ConsoleDialogs::openFileName(const FileRequest &)
{
    return std::nullopt;
}

std::optional<QString> ConsoleDialogs::saveFileName(const FileRequest &)
{
    return std::nullopt;
}

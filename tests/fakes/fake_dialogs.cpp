#include "fake_dialogs.h"

Dialogs::Answer FakeDialogs::message(const QString &text, const QString &title, Buttons buttons,
                                     Icon icon, Answer defaultAnswer)
{
    shown.append({text, title, buttons, icon});
    return answers.isEmpty() ? defaultAnswer : answers.dequeue();
}

std::optional<QString> FakeDialogs::inputBox(const QString &prompt, const QString &title,
                                             const QString &defaultText)
{
    inputs << prompt + QLatin1Char('|') + title + QLatin1Char('|') + defaultText;
    return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.dequeue();
}

std::optional<QString> FakeDialogs::openFileName(const FileRequest &request)
{
    fileRequests << request;
    return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.dequeue();
}

std::optional<QString> FakeDialogs::saveFileName(const FileRequest &request)
{
    fileRequests << request;
    return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.dequeue();
}

QStringList FakeDialogs::texts() const
{
    QStringList out;
    for (const Shown &s : shown)
        out << s.text;
    return out;
}

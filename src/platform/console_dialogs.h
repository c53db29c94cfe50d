#pragma once

#include "seams/dialogs.h"

#include <QStringList>

// Dialogs without a window: messages go to standard error, questions take their default.
class ConsoleDialogs final : public Dialogs
{
public:
    Answer message(const QString &text, const QString &title, Buttons buttons, Icon icon,
                   Answer defaultAnswer) override;
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &defaultText) override;
    std::optional<QString> openFileName(const FileRequest &request) override;
    std::optional<QString> saveFileName(const FileRequest &request) override;

    const QStringList &shown() const { return m_shown; }

private:
    QStringList m_shown;
};

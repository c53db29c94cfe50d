#pragma once

#include "seams/dialogs.h"

#include <QList>
#include <QQueue>
#include <QStringList>

// Records every text shown and answers from queues (default answer when a queue is empty).
class FakeDialogs final : public Dialogs
{
public:
    struct Shown
    {
        QString text;
        QString title;
        Buttons buttons;
        Icon icon;
    };

    Answer message(const QString &text, const QString &title, Buttons buttons, Icon icon,
                   Answer defaultAnswer) override;
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &defaultText) override;
    std::optional<QString> openFileName(const FileRequest &request) override;
    std::optional<QString> saveFileName(const FileRequest &request) override;

    QStringList texts() const;
    void clear()
    {
        shown.clear();
        inputs.clear();
    }

    QList<Shown> shown;
    QQueue<Answer> answers;
    QQueue<std::optional<QString>> inputAnswers;
    QQueue<std::optional<QString>> fileAnswers;
    QStringList inputs; // prompt, title and default text of each input box, joined by "|"
    QList<FileRequest> fileRequests;
};

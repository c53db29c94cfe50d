#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Every text the operator sees passes through here, so tests can read and answer it.
class Dialogs
{
public:
    enum class Answer { Ok, Cancel, Yes, No };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Icon { None, Information, Question, Warning, Critical };

    struct FileRequest
    {
        QString title;
        QString filter; // "Label (*.ext)|*.ext|..." pairs, as the menus build them
        int filterIndex = 1;
        QString initialFolder;
        QString initialName;
    };

    static inline const QString DefaultTitle = QStringLiteral("Pointra");
    static inline const QString QuestionTitle = QStringLiteral("POINTRA");

    virtual ~Dialogs() = default;

    virtual Answer message(const QString &text, const QString &title, Buttons buttons, Icon icon,
                           Answer defaultAnswer) = 0;
    // Empty optional when the operator cancels.
    virtual std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                            const QString &defaultText) = 0;
    virtual std::optional<QString> openFileName(const FileRequest &request) = 0;
    virtual std::optional<QString> saveFileName(const FileRequest &request) = 0;

    void show(const QString &text)
    {
        message(text, DefaultTitle, Buttons::Ok, Icon::None, Answer::Ok);
    }
    Answer askYesNoCancel(const QString &text)
    {
        return message(text, QuestionTitle, Buttons::YesNoCancel, Icon::Question, Answer::Yes);
    }
    Answer askYesNo(const QString &text)
    {
        return message(text, QuestionTitle, Buttons::YesNo, Icon::Question, Answer::Yes);
    }
};

// Message texts are built with CR joins; displays turn them into line breaks.
inline QString crJoin(const QStringList &parts)
{
    return parts.join(QChar(13));
}

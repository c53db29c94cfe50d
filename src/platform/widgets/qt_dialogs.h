#pragma once

#include "seams/dialogs.h"

class QWidget;

// Message boxes, input boxes and file dialogs on top of the main window.
class QtDialogs final : public Dialogs
{
public:
    explicit QtDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    Answer message(const QString &text, const QString &title, Buttons buttons, Icon icon,
                   Answer defaultAnswer) override;
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &defaultText) override;
    std::optional<QString> openFileName(const FileRequest &request) override;
    std::optional<QString> saveFileName(const FileRequest &request) override;

    // "Label|*.ext|..." pairs to Qt's "Label (*.ext);;..." form.
    static QStringList qtFilters(const QString &pairs);

private:
    std::optional<QString> fileDialog(const FileRequest &request, bool save);
    QWidget *m_parent;
};

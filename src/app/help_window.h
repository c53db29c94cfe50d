#pragma once

#include <QTextBrowser>

// The HTML help, in a top-level window that shutdown finds by its title.
class HelpWindow final : public QTextBrowser
{
    Q_OBJECT
public:
    static inline const QString Title = QStringLiteral("Pointra Help");
    explicit HelpWindow(const QString &helpFile);
};

#include "help_window.h"

#include <QFileInfo>
#include <QUrl>

HelpWindow::HelpWindow(const QString &helpFile)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(Title);
    setOpenExternalLinks(false);
    setSearchPaths({QFileInfo(helpFile).absolutePath()});
    setSource(QUrl::fromLocalFile(helpFile));
    resize(720, 600);
}

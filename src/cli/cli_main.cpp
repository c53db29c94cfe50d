#include "cli/cli_app.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pointra"));
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return runCli(args);
}

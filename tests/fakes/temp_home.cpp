#include "temp_home.h"

#include <QDir>
#include <QFile>

TestRig::TestRig()
{
    setup.registerCommands(commands);
    shell.registerCommands(commands);
}

QString TestRig::path(const QString &name) const
{
    return QDir(home.path()).filePath(name);
}

void TestRig::writeIni(const QByteArray &ini)
{
    QFile f(path(QStringLiteral("pointra.ini")));
    if (f.open(QIODevice::WriteOnly))
        f.write(ini);
}

QByteArray TestRig::readIni() const
{
    QFile f(path(QStringLiteral("pointra.ini")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

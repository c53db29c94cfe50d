#include "app_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace AppPaths {

static bool isWritableFolder(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

QString resolveAppPath(const QString &programFolder)
{
    const QString home = qEnvironmentVariable("POINTRA_HOME");
    if (!home.isEmpty()) {
        QDir().mkpath(home);
        return QDir::cleanPath(QDir(home).absolutePath());
    }
    if (isWritableFolder(programFolder))
        return QDir::cleanPath(programFolder);
    QString user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (user.isEmpty())
        user = QDir::homePath() + QStringLiteral("/.local/share");
    const QString path = QDir(user).filePath(QStringLiteral("pointra"));
    QDir().mkpath(path);
    return QDir::cleanPath(path);
}

QString bundledFolder(const QString &name)
{
    const QString appDir = QCoreApplication::applicationDirPath();
    const QString sub = name == QLatin1String("templates") ? QStringLiteral("Data") : name;
    const QStringList candidates = {
        QDir(appDir).filePath(QStringLiteral("../share/pointra/") + sub),
        QDir(QStringLiteral(POINTRA_SOURCE_DIR))
            .filePath(name == QLatin1String("templates") ? QStringLiteral("data/templates")
                                                         : QStringLiteral("docs/") + name),
    };
    for (const QString &c : candidates) {
        if (QFileInfo(c).isDir())
            return QDir::cleanPath(c);
    }
    return {};
}

void installTemplates(const QString &appPath)
{
    const QDir data(QDir(appPath).filePath(QStringLiteral("Data")));
    QDir().mkpath(data.path());
    const QString source = bundledFolder(QStringLiteral("templates"));
    if (source.isEmpty())
        return;
    const QDir src(source);
    for (const QString &name : src.entryList({QStringLiteral("*.seq")}, QDir::Files)) {
        if (!data.exists(name))
            QFile::copy(src.filePath(name), data.filePath(name));
    }
}

QString settingsFile(const QString &appPath)
{
    return QDir(appPath).filePath(QStringLiteral("pointra.ini"));
}

QString tmpFolder(const QString &appPath)
{
    return QDir(appPath).filePath(QStringLiteral("tmp"));
}

QString soundsFolder(const QString &appPath)
{
    return QDir(appPath).filePath(QStringLiteral("Sounds"));
}

QString helpFile(const QString &appPath)
{
    const QString local = QDir(appPath).filePath(QStringLiteral("help/index.html"));
    if (QFileInfo::exists(local))
        return local;
    const QString bundled = bundledFolder(QStringLiteral("help"));
    return bundled.isEmpty() ? local : QDir(bundled).filePath(QStringLiteral("index.html"));
}

} // namespace AppPaths

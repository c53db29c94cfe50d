#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <functional>

// Texts, folders and checks the tests share.
namespace Fixtures {

// pointra.ini as the program writes it; each test changes only the keys it is about.
struct Ini
{
    QString model = QStringLiteral("FASTRAK");
    QString system = QStringLiteral("TEVO");
    QString decimal = QStringLiteral("Period");
    QString hemisphere = QStringLiteral("0,0,1");
    int port = 1;
    QString sound = QStringLiteral("OFF");

    QByteArray text() const
    {
        return QStringLiteral("Digitizer Type=%1\r\nCoordinate System=%2\r\nDecimal Point=%3\r\n"
                              "Hemisphere=%4\r\nnCommPort= %5\r\nSound=%6\r\n")
            .arg(model, system, decimal, hemisphere, QString::number(port), sound)
            .toLatin1();
    }
};

// A small electrode file as labs write it by hand: two electrodes, short names, few decimals.
inline const QByteArray Elp =
    "3\t2\r\n1\r\n%N\tName\r\n0\t2\r\n%F\t0.1\t0\t0\r\n%F\t0\t0.07\t0\r\n%F\t0\t-0.07\t0\r\n"
    "%S\t400\r\n%N\tFp1\r\n0.08\t0.03\t0.04\r\n%S\t400\r\n%N\tCz\r\n0\t0\t0.1\r\n";

// An electrode file with fiducials only, as other programs may write one (Pointra refuses to).
inline const QByteArray ElpWithoutElectrodes =
    "3\t2\r\n1\r\n%N\tName\r\n0\t0\r\n%F\t0.1\t0\t0\r\n%F\t0\t0.07\t0\r\n%F\t0\t-0.07\t0\r\n";

// The largest difference of two vectors or matrices is below `tolerance`.
template <typename A, typename B> bool near(const A &a, const B &b, double tolerance = 1e-12)
{
    return (a - b).cwiseAbs().maxCoeff() < tolerance;
}

// A fresh program folder (POINTRA_HOME of a child process) with files in it.
class Home
{
public:
    QString path(const QString &name = {}) const
    {
        return name.isEmpty() ? m_dir.path() : m_dir.filePath(name);
    }
    QString write(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path(name);
    }
    QByteArray read(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray ini() const { return read(QStringLiteral("pointra.ini")); }

private:
    QTemporaryDir m_dir;
};

struct Run
{
    int status;
    QString out, err;
};

// Runs a built program to its end (20 s at most) with extra environment variables, after
// `prepare` has set up the process.
inline Run run(const QString &program, const QStringList &args,
               const QMap<QString, QString> &env = {},
               const std::function<void(QProcess &)> &prepare = {})
{
    QProcess p;
    if (prepare)
        prepare(p);
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (auto it = env.cbegin(); it != env.cend(); ++it)
        e.insert(it.key(), it.value());
    p.setProcessEnvironment(e);
    p.start(program, args);
    if (!p.waitForFinished(20000))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

} // namespace Fixtures

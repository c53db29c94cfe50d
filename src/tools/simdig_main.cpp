#include "digitizer/emulator/digitizer_emulator.h"
#include "digitizer/emulator/stylus_script.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QQueue>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onSignal(int)
{
    g_stop = 1;
}

int openLog(const QString &path)
{
    if (path.isEmpty())
        return -1;
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
}

void writeAll(int fd, const char *data, qsizetype n)
{
    while (fd >= 0 && n > 0) {
        const ssize_t w = ::write(fd, data, static_cast<size_t>(n));
        if (w <= 0)
            return;
        data += w;
        n -= w;
    }
}

// Every site of the virtual head, one "NAME x y z" a line, in centimetres in the head frame its
// fiducials build (x through the nasion, y towards the left preauricular point, origin midway
// between the preauricular points): the frame Pointra writes its electrode files in.
QString siteListing(const VirtualHead &head)
{
    const Point3 nasion = head.site(QStringLiteral("Nasion"));
    const Point3 lpa = head.site(QStringLiteral("LPA"));
    const Point3 rpa = head.site(QStringLiteral("RPA"));
    const Point3 origin = (lpa + rpa) / 2;
    const Point3 x = (nasion - origin).normalized();
    const Point3 z = x.cross(lpa - rpa).normalized();
    const Point3 y = z.cross(x);
    auto cm = [](double v) {
        const QString t = QString::number(v, 'f', 3);
        return t == QLatin1String("-0.000") ? QStringLiteral("0.000") : t;
    };
    // The scalp is axis-aligned in this frame: its centre is the frame's origin seen from it.
    const Point3 centre = -100.0 * origin;
    QString out = head.ellipsoidComment(Point3(centre.dot(x), centre.dot(y), centre.dot(z))) +
                  QLatin1Char('\n');
    for (const QString &name : head.siteNames()) {
        const Point3 p = 100.0 * (head.site(name) - origin);
        out += name + QLatin1Char(' ') + cm(p.dot(x)) + QLatin1Char(' ') + cm(p.dot(y)) +
               QLatin1Char(' ') + cm(p.dot(z)) + QLatin1Char('\n');
    }
    return out;
}

// Serves one emulator on a pseudo-terminal and runs stylus commands from a queue.
class Server
{
public:
    Server(DigitizerEmulator &emu, int master, int logIn, int logOut, bool quitAtScriptEnd)
        : m_emu(emu), m_master(master), m_logIn(logIn), m_logOut(logOut),
          m_quitAtEnd(quitAtScriptEnd)
    {
        m_clock.start();
        m_readNotifier = new QSocketNotifier(master, QSocketNotifier::Read);
        QObject::connect(m_readNotifier, &QSocketNotifier::activated, [this] { readHost(); });
        QObject::connect(&m_tick, &QTimer::timeout, [this] { tick(); });
        m_tick.start(1);
    }

    void enqueue(const QString &line, const QString &where)
    {
        std::optional<StylusCommand> c;
        QString error;
        if (!parseStylusCommand(line, c, error)) {
            std::fprintf(stderr, "pointra-simdig: %s: %s\n", qPrintable(where), qPrintable(error));
            return;
        }
        if (c)
            m_commands.enqueue(*c);
    }
    void scriptLoaded() { m_scriptLoaded = true; }

private:
    void readHost()
    {
        char buf[4096];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            return;
        writeAll(m_logIn, buf, n);
        m_emu.receive(QByteArray(buf, n), m_clock.elapsed());
    }

    void runCommands()
    {
        m_emu.advanceTo(m_clock.elapsed());
        while (!m_commands.isEmpty() && m_clock.elapsed() >= m_waitUntil) {
            const StylusCommand c = m_commands.dequeue();
            if (c.kind == StylusCommand::Kind::Wait) {
                m_waitUntil = m_clock.elapsed() + c.waitMs;
                continue;
            }
            if (c.kind == StylusCommand::Kind::Quit) {
                QCoreApplication::quit();
                return;
            }
            QString error;
            qint64 busyUntil = 0;
            if (!applyStylusCommand(c, m_emu, error, &busyUntil))
                std::fprintf(stderr, "pointra-simdig: %s\n", qPrintable(error));
            // The next command comes when the stylus has finished its motion.
            m_waitUntil = std::max(m_waitUntil, busyUntil);
        }
        if (m_quitAtEnd && m_scriptLoaded && m_commands.isEmpty() &&
            m_clock.elapsed() >= m_waitUntil)
            QCoreApplication::quit();
    }

    void tick()
    {
        if (g_stop) {
            QCoreApplication::quit();
            return;
        }
        runCommands();
        m_emu.advanceTo(m_clock.elapsed());
        const QByteArray out = m_emu.takeDelivered();
        if (!out.isEmpty()) {
            writeAll(m_master, out.constData(), out.size());
            writeAll(m_logOut, out.constData(), out.size());
        }
    }

    DigitizerEmulator &m_emu;
    int m_master, m_logIn, m_logOut;
    bool m_quitAtEnd;
    bool m_scriptLoaded = false;
    QElapsedTimer m_clock;
    QTimer m_tick;
    QSocketNotifier *m_readNotifier;
    QQueue<StylusCommand> m_commands;
    qint64 m_waitUntil = 0;
};
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pointra-simdig"));
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral(
            "Serves an emulated Polhemus digitizer (FASTRAK, ISOTRAK or PATRIOT) on a "
            "pseudo-terminal.\nPrints the terminal's name, answers the commands the host "
            "sends and produces records of a virtual head.\n\n") +
        stylusCommandHelp());
    p.addHelpOption();
    p.addOption({QStringLiteral("model"),
                 QStringLiteral("fastrak, isotrak or patriot (default fastrak)."),
                 QStringLiteral("model"), QStringLiteral("fastrak")});
    p.addOption({QStringLiteral("link"),
                 QStringLiteral("Also make PATH a symbolic link to the terminal."),
                 QStringLiteral("path")});
    p.addOption({QStringLiteral("receivers"),
                 QStringLiteral("Receivers fixed on the head, 0 to 3 (default 1); an ISOTRAK with "
                                "0 is a one-station device."),
                 QStringLiteral("n"), QStringLiteral("1")});
    p.addOption({QStringLiteral("noise"),
                 QStringLiteral("Position noise, cm RMS (default 0.08; 0 for exact)."),
                 QStringLiteral("cm"), QStringLiteral("0.08")});
    p.addOption({QStringLiteral("seed"), QStringLiteral("Seed of the noise (default 1)."),
                 QStringLiteral("n"), QStringLiteral("1")});
    p.addOption(
        {QStringLiteral("dewar"),
         QStringLiteral("Receiver 1 sits on an MEG dewar; the head receivers are 2 and 3.")});
    p.addOption({QStringLiteral("script"),
                 QStringLiteral("Run stylus commands from FILE, then stop."),
                 QStringLiteral("file")});
    p.addOption({QStringLiteral("log-in"),
                 QStringLiteral("Write every byte received from the host to FILE."),
                 QStringLiteral("file")});
    p.addOption({QStringLiteral("list-sites"),
                 QStringLiteral("Print the virtual scalp (# ellipsoid CX CY CZ AX AY AZ) and "
                                "every site of the head (NAME x y z), cm, in the head frame of its "
                                "fiducials, and stop.")});
    p.addOption({QStringLiteral("log-out"),
                 QStringLiteral("Write every byte sent to the host to FILE."),
                 QStringLiteral("file")});
    p.process(app);
    if (p.isSet(QStringLiteral("list-sites"))) {
        std::printf("%s", qPrintable(siteListing(VirtualHead())));
        return 0;
    }

    DigitizerEmulator::Options opt;
    if (!DigitizerEmulator::parseModel(p.value(QStringLiteral("model")), opt.model)) {
        std::fprintf(stderr, "pointra-simdig: unknown model %s\n",
                     qPrintable(p.value(QStringLiteral("model"))));
        return 2;
    }
    bool ok1 = false, ok2 = false, ok3 = false;
    opt.receivers = p.value(QStringLiteral("receivers")).toInt(&ok1);
    opt.noiseCm = p.value(QStringLiteral("noise")).toDouble(&ok2);
    opt.seed = p.value(QStringLiteral("seed")).toUInt(&ok3);
    if (!ok1 || !ok2 || !ok3 || opt.receivers < 0 || opt.receivers > 3 || opt.noiseCm < 0) {
        std::fprintf(
            stderr,
            "pointra-simdig: --receivers takes 0 to 3, --noise a number >= 0, --seed a number\n");
        return 2;
    }

    int master = -1, slave = -1;
    char name[256] = {0};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("pointra-simdig: openpty");
        return 1;
    }
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    const QString linkPath = p.value(QStringLiteral("link"));
    if (!linkPath.isEmpty()) {
        QFile::remove(linkPath);
        if (!QFile::link(QString::fromLocal8Bit(name), linkPath)) {
            std::fprintf(stderr, "pointra-simdig: cannot create link %s\n", qPrintable(linkPath));
            return 1;
        }
    }
    std::printf("%s\n", name);
    std::fflush(stdout);

    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    std::signal(SIGHUP, onSignal);

    const bool dewar = p.isSet(QStringLiteral("dewar"));
    if (dewar)
        opt.receivers = std::min(opt.receivers + 1, 3);
    DigitizerEmulator emu(opt);
    if (dewar)
        emu.setReceiverFixed(0, DigitizerEmulator::dewarReceiverPose());
    const int logIn = openLog(p.value(QStringLiteral("log-in")));
    const int logOut = openLog(p.value(QStringLiteral("log-out")));
    const QString script = p.value(QStringLiteral("script"));
    Server server(emu, master, logIn, logOut, !script.isEmpty());

    if (!script.isEmpty()) {
        QFile f(script);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
            std::fprintf(stderr, "pointra-simdig: cannot read %s\n", qPrintable(script));
            return 1;
        }
        int n = 0;
        while (!f.atEnd())
            server.enqueue(QString::fromUtf8(f.readLine()),
                           script + QStringLiteral(":%1").arg(++n));
        server.scriptLoaded();
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buf[1024];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            input.setEnabled(false); // end of input: keep serving until killed
            return;
        }
        pending.append(buf, n);
        qsizetype nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            server.enqueue(QString::fromUtf8(pending.left(nl)), QStringLiteral("stdin"));
            pending.remove(0, nl + 1);
        }
    });

    const int rc = app.exec();
    if (!linkPath.isEmpty())
        QFile::remove(linkPath);
    ::close(slave);
    ::close(master);
    return rc;
}

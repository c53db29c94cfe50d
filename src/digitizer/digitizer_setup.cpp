#include "digitizer_setup.h"

#include "data/workspace.h"
#include "digitizer/serial_link.h"
#include "seams/clock.h"
#include "seams/dialogs.h"
#include "seams/session.h"
#include "seams/ui_state.h"
#include "shell/setup_menus.h"

namespace DigitizerSetup {

namespace {
QByteArray withCr(const QString &command)
{
    return command.toLatin1() + '\r';
}

void checkBaudItem(Session &s, const QString &settings)
{
    const QString rate = settings.section(QLatin1Char(','), 0, 0);
    const QString item = QStringLiteral("menu") + rate.left(rate.size() - 2);
    s.ui.checkOnly(BaudItems, item);
}
} // namespace

QString defaultLineSettings(const QString &digitizerType)
{
    return digitizerType == QLatin1String("PATRIOT") ? QStringLiteral("115200,n,8,1")
                                                     : QStringLiteral("19200,n,8,1");
}

void ApplySerialSettings(Session &s)
{
    if (s.link.isOpen())
        s.link.close();
    s.link.setCommPort(s.ws.settings.nCommPort);
    const QString settings = defaultLineSettings(s.ws.settings.DigitizerType);
    s.link.setSettings(settings);
    checkBaudItem(s, settings);
}

bool ensureOpen(Session &s)
{
    if (s.link.isOpen())
        return true;
    if (s.link.open())
        return true;
    s.dialogs.show(
        crJoin({QStringLiteral("The digitizer port could not be opened."), s.link.errorText(),
                QStringLiteral("Check the cable and the Comm Port in the Setup menu.")}));
    return false;
}

QList<QByteArray> configurationCommands(const QString &type, const QString &hemisphere)
{
    QList<QByteArray> out;
    if (type == QLatin1String("FASTRAK")) {
        out << "c" << withCr(QStringLiteral("e1,1")) << "u" << withCr(QStringLiteral("O1,2,1"));
        for (int st = 2; st <= 4; ++st)
            out << withCr(QStringLiteral("O%1,2,5,6,7,1").arg(st));
        for (int st = 1; st <= 4; ++st)
            out << withCr(QStringLiteral("H%1,").arg(st) + hemisphere);
        for (int st = 1; st <= 4; ++st)
            out << withCr(QStringLiteral("l%1,1").arg(st));
        out << withCr(QStringLiteral("e1,1"));
    } else if (type == QLatin1String("PATRIOT")) {
        out << withCr(QStringLiteral("L1,1")) << withCr(QStringLiteral("U1"))
            << withCr(QStringLiteral("O1,2,1")) << withCr(QStringLiteral("O2,2,6,1"))
            << withCr(QStringLiteral("H1,") + hemisphere)
            << withCr(QStringLiteral("H2,") + hemisphere);
    } else if (type == QLatin1String("ISOTRAK")) {
        out << "P"
            << "c"
            << "u" << withCr(QStringLiteral("O2,5,6,7,1"))
            << withCr(QStringLiteral("H1,") + hemisphere)
            << withCr(QStringLiteral("H2,") + hemisphere);
    }
    return out;
}

static void initializeIsotrak(Session &s, const QList<QByteArray> &cmds)
{
    s.link.discardPending();
    s.link.write(cmds[0]);
    s.clock.delayMs(200);
    const QByteArray answer = s.link.readAll();
    if (answer.size() == 89) {
        SetupMenus::selectReceivers(s, 0);
        s.ui.setEnabled(QStringLiteral("menuOne"), false);
    }
    s.link.write(cmds[1]);
    s.clock.delayMs(100);
    s.link.write(cmds[2]);
    s.clock.delayMs(100);
    s.link.write(cmds[3]);
    s.clock.delayMs(100);
    s.link.write(cmds[4]);
    s.link.write(cmds[5]);
    s.link.discardPending();
}

void InitializeDigitizer(Session &s)
{
    BusyScope busy(s.ui);
    const QString type = s.ws.settings.DigitizerType;
    const bool known = type == QLatin1String("FASTRAK") || type == QLatin1String("ISOTRAK") ||
                       type == QLatin1String("PATRIOT");
    if (!known)
        return;
    if (s.link.isOpen())
        s.link.discardPending();
    if (!ensureOpen(s))
        return;
    s.link.discardPending();
    const QList<QByteArray> cmds = configurationCommands(type, s.ws.settings.Hemisphere);
    if (type == QLatin1String("ISOTRAK")) {
        initializeIsotrak(s, cmds);
    } else {
        for (const QByteArray &c : cmds)
            s.link.write(c);
        if (type == QLatin1String("PATRIOT"))
            s.link.discardPending();
    }
    s.link.close();
}

void SetBaudRate(Session &s, int baud)
{
    if (!ensureOpen(s))
        return;
    s.link.write(withCr(QStringLiteral("o%1,N,8,0").arg(baud / 100)));
    s.link.close();
    const QString settings = QStringLiteral("%1,n,8,1").arg(baud);
    s.link.setSettings(settings);
    checkBaudItem(s, settings);
}

} // namespace DigitizerSetup

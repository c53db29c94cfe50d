#include "digitizer_setup.h"

#include "data/workspace.h"
#include "seams/clock.h"
#include "seams/dialogs.h"
#include "seams/serial_link.h"
#include "seams/session.h"

namespace DigitizerSetup {

namespace {
// The ISOTRAK's answer to "P" when it has the stylus station only.
constexpr int OneStationAnswer = 89;

bool initializeIsotrak(Session &s, const QList<QByteArray> &cmds)
{
    s.link.discardPending();
    s.link.write(cmds[0]);
    s.clock.delayMs(200);
    const bool oneStation = s.link.readAll().size() == OneStationAnswer;
    s.link.write(cmds[1]);
    s.clock.delayMs(100);
    s.link.write(cmds[2]);
    s.clock.delayMs(100);
    s.link.write(cmds[3]);
    s.clock.delayMs(100);
    s.link.write(cmds[4]);
    s.link.write(cmds[5]);
    s.link.discardPending();
    return oneStation;
}
} // namespace

QString ApplySerialSettings(Session &s)
{
    if (s.link.isOpen())
        s.link.close();
    s.link.setCommPort(s.ws.settings.CommPort);
    const QString settings = traitsOf(s.ws.settings.Digitizer).lineSettings;
    s.link.setSettings(settings);
    return settings;
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

InitResult InitializeDigitizer(Session &s)
{
    const DigitizerModel model = s.ws.settings.Digitizer;
    if (!isDevice(model))
        return InitResult::NotADevice;
    if (s.link.isOpen())
        s.link.discardPending();
    if (!ensureOpen(s))
        return InitResult::PortFailed;
    s.link.discardPending();
    const QList<QByteArray> cmds = traitsOf(model).configuration(s.ws.settings.Hemisphere);
    bool oneStation = false;
    if (model == DigitizerModel::Isotrak) {
        oneStation = initializeIsotrak(s, cmds);
    } else {
        for (const QByteArray &c : cmds)
            s.link.write(c);
        if (model == DigitizerModel::Patriot)
            s.link.discardPending();
    }
    s.link.close();
    return oneStation ? InitResult::OneStationIsotrak : InitResult::Configured;
}

QString SetBaudRate(Session &s, int baud)
{
    if (!ensureOpen(s))
        return {};
    s.link.write(QStringLiteral("o%1,N,8,0\r").arg(baud / 100).toLatin1());
    s.link.close();
    const QString settings = QStringLiteral("%1,n,8,1").arg(baud);
    s.link.setSettings(settings);
    return settings;
}

} // namespace DigitizerSetup

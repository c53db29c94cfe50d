#include "setup_menus.h"

#include "data/workspace.h"
#include "seams/dialogs.h"
#include "seams/session.h"
#include "seams/ui_state.h"

namespace SetupMenus {

QString digitizerItem(DigitizerModel model)
{
    return QStringLiteral("menuDigitizer") + traitsOf(model).name;
}

QStringList digitizerItems()
{
    QStringList items;
    for (DigitizerModel m : deviceModels())
        items << digitizerItem(m);
    return items;
}

void UpdateSetupMenus(Session &s)
{
    const Settings &st = s.ws.settings;
    UiState &ui = s.ui;
    const ModelTraits &model = traitsOf(st.Digitizer);
    ui.caption = QStringLiteral("Pointra with ") + model.name + QStringLiteral(" - ") +
                 st.CoordinateSystem + QStringLiteral(" Coordinates");

    ui.checkOnly(digitizerItems(), digitizerItem(st.Digitizer));
    ui.setEnabled(QStringLiteral("menuDigitize"), model.headReceivers >= 0);
    for (int r = 0; r < ReceiverItems.size(); ++r)
        ui.setVisible(ReceiverItems[r], model.headReceivers >= 0 && r <= model.headReceivers);

    ui.checkOnly(CoordinateItems, QStringLiteral("menuCoordinates") + st.CoordinateSystem);
    const bool tevo = st.CoordinateSystem == QLatin1String("TEVO");
    if (tevo) {
        ui.fileFilter = FilterTevo;
        ui.setText(QStringLiteral("XAxis"), QStringLiteral("x-axis (Nasion)"));
        ui.setText(QStringLiteral("YAxis"), QStringLiteral("y-axis (LPA)"));
    } else {
        ui.fileFilter = st.CoordinateSystem == QLatin1String("BESA") ? FilterBesa : FilterCurry;
        ui.setText(QStringLiteral("XAxis"), QStringLiteral("x-axis (RPA)"));
        ui.setText(QStringLiteral("YAxis"), QStringLiteral("y-axis (Nasion)"));
    }
    ui.filterIndex = 1;
    ui.setEnabled(QStringLiteral("menuViewShape"), tevo);
    ui.setEnabled(QStringLiteral("menuDShape"), tevo);
    ui.setEnabled(QStringLiteral("menuViewEProbe"), true);
    ui.setEnabled(QStringLiteral("menuDisplayEProbe"), true);

    if (st.DecimalPoint == QLatin1String("Period") || st.DecimalPoint == QLatin1String("Comma"))
        ui.checkOnly(DecimalItems, QStringLiteral("menuDecimalPoint") + st.DecimalPoint);
    else
        s.dialogs.show(QStringLiteral("No Decimal Point selected."));

    const int r = s.ws.ReceiverCount;
    ui.checkOnly(ReceiverItems, r >= 0 && r <= 3 ? ReceiverItems[r] : QString());

    ui.setEnabled(QStringLiteral("menuEProbes"), r >= 0);
    ui.setEnabled(QStringLiteral("menuShape"), r >= 0 && model.isDevice && tevo);
    // The MEG steps become available one after the other: the subject fiducials once receivers
    // are on the head, the probe once the subject transforms exist (measured or read).
    ui.setEnabled(QStringLiteral("menuFiducials"), r >= 1 && model.isDevice);
    ui.setEnabled(QStringLiteral("menuProbe"), !s.ws.m.MFida.isZero() && model.isDevice);
    ui.setEnabled(QStringLiteral("menuMeasureFid"), model.isDevice);
    ui.setText(QStringLiteral("Label3A"), st.CoordinateSystem);
}

void UpdateHemisphereMenu(Session &s)
{
    const qsizetype i = HemisphereVectors.indexOf(s.ws.settings.Hemisphere);
    s.ui.checkOnly(HemisphereItems, i >= 0 ? HemisphereItems[i] : QString());
    if (i < 0)
        s.dialogs.show(QStringLiteral("Please select Hemisphere"));
}

void UpdateCommPortMenu(Session &s)
{
    const int port = s.ws.settings.CommPort;
    const bool valid = port >= 1 && port <= 4;
    s.ui.checkOnly(CommPortItems, valid ? CommPortItems[port - 1] : QString());
    if (!valid)
        s.dialogs.show(QStringLiteral("Please select a Comm Port"));
}

void selectReceivers(Session &s, int count)
{
    s.ws.ReceiverCount = count;
    UpdateSetupMenus(s);
}

void showFiducialsReceivers(Session &s)
{
    const int r = s.ws.ReceiverCount;
    if (r >= 1 && r <= 3)
        s.ui.checkOnly(ReceiverItems.mid(1), ReceiverItems[r]);
    for (const char *item : {"menuFiducials", "menuProbe", "menuShape"})
        s.ui.setEnabled(QString::fromLatin1(item), true);
}

void checkBaudItem(Session &s, const QString &settings)
{
    const QString rate = settings.section(QLatin1Char(','), 0, 0);
    s.ui.checkOnly(BaudItems, QStringLiteral("menu") + rate.left(rate.size() - 2));
}

} // namespace SetupMenus

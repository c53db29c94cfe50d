#include "setup_menus.h"

#include "data/workspace.h"
#include "seams/dialogs.h"
#include "seams/session.h"
#include "seams/ui_state.h"

namespace SetupMenus {

bool isModel(const QString &t)
{
    return t == QLatin1String("FASTRAK") || t == QLatin1String("ISOTRAK") ||
           t == QLatin1String("PATRIOT");
}

void UpdateSetupMenus(Session &s)
{
    const Settings &st = s.ws.settings;
    UiState &ui = s.ui;
    ui.caption = QStringLiteral("Pointra with ") + st.DigitizerType + QStringLiteral(" - ") +
                 st.CoordinateSystem + QStringLiteral(" Coordinates");

    ui.checkOnly(DigitizerItems, QStringLiteral("menuDigitizer") + st.DigitizerType);
    const bool dummy = st.DigitizerType == QLatin1String("dummy");
    const bool known = isModel(st.DigitizerType) || dummy;
    ui.setEnabled(QStringLiteral("menuDigitize"), known);
    ui.setVisible(QStringLiteral("menuZero"), known);
    ui.setVisible(QStringLiteral("menuOne"), known);
    const bool many = st.DigitizerType == QLatin1String("FASTRAK") || dummy;
    ui.setVisible(QStringLiteral("menuTwo"), many);
    ui.setVisible(QStringLiteral("menuThree"), many);

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
    ui.setEnabled(QStringLiteral("menuDisplayShape"), tevo);
    ui.setEnabled(QStringLiteral("menuViewEProbe"), true);
    ui.setEnabled(QStringLiteral("menuDisplayEProbe"), true);

    if (st.DecimalPoint == QLatin1String("Period") || st.DecimalPoint == QLatin1String("Comma"))
        ui.checkOnly(DecimalItems, QStringLiteral("menuDecimalPoint") + st.DecimalPoint);
    else
        s.dialogs.show(QStringLiteral("No Decimal Point selected."));

    const int r = s.ws.nReceivers;
    ui.checkOnly(ReceiverItems, r >= 0 && r <= 3 ? ReceiverItems[r] : QString());

    ui.setEnabled(QStringLiteral("menuEProbes"), r >= 0);
    ui.setEnabled(QStringLiteral("menuShape"), r >= 0 && isModel(st.DigitizerType) && tevo);
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
    const int port = s.ws.settings.nCommPort;
    const bool valid = port >= 1 && port <= 4;
    s.ui.checkOnly(CommPortItems, valid ? CommPortItems[port - 1] : QString());
    if (!valid)
        s.dialogs.show(QStringLiteral("Please select a Comm Port"));
}

void selectReceivers(Session &s, int count)
{
    s.ws.nReceivers = count;
    UpdateSetupMenus(s);
}

} // namespace SetupMenus

#include "records.h"

#include "data/number_text.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "digitizer/serial_link.h"
#include "seams/clock.h"
#include "seams/dialogs.h"
#include "seams/event_pump.h"
#include "seams/session.h"

namespace Records {

namespace {
const QByteArray CtrlD("\x04", 1);

double field(const QString &record, int position, int width)
{
    return readNumber(QStringView(record).mid(position - 1, width));
}

void isotrakRelease(Session &s)
{
    s.link.write(CtrlD);
    s.clock.delayMs(100);
    s.link.write("T");
}
} // namespace

QString rebuildIsotrak(const QString &raw)
{
    return raw.left(24) + raw.mid(87, 2) + raw.mid(89, 89);
}

QString checkFastrak(QString &record)
{
    if (record.size() < FastrakLength)
        return QStringLiteral("Please repeat the measurement");
    record.truncate(FastrakLength);
    static const char *inputs[] = {"ONE", "TWO", "THREE", "FOUR"};
    const int positions[] = {3, 29, 118, 207};
    for (int i = 0; i < 4; ++i) {
        const QChar status = record.at(positions[i] - 1);
        if (status != QLatin1Char(' ')) {
            const QString cr(QChar(13));
            return QStringLiteral("FASTRAK has reported an error as follows:") + cr + cr +
                   QStringLiteral("Error Code ") + status + QStringLiteral(" on input ") +
                   QLatin1String(inputs[i]) + QStringLiteral(".") + cr + cr +
                   QStringLiteral("Please consult the manual under BUILT-IN-TEST INFORMATION.");
        }
    }
    return {};
}

Outcome ReadDigitizerRecord(Session &s, QString &record)
{
    const QString type = s.ws.settings.DigitizerType;
    const bool isotrak = type == QLatin1String("ISOTRAK");
    const bool model =
        isotrak || type == QLatin1String("FASTRAK") || type == QLatin1String("PATRIOT");
    if (!DigitizerSetup::ensureOpen(s))
        return Outcome::PortFailed;
    s.link.discardPending();
    s.link.write("P");
    s.clock.delayMs(400);
    record = QString::fromLatin1(s.link.readAll());
    if (isotrak) {
        s.link.write("Y");
        s.clock.delayMs(100);
        s.link.write("E");
        s.link.write(CtrlD);
        s.clock.delayMs(100);
        record = QString::fromLatin1(s.link.readAll());
        s.link.write("P");
    }
    s.link.discardPending();

    WaitFlags &f = s.wait;
    while (s.link.bytesPending() == 0) {
        s.pump.processEvents();
        if (f.CancelRequested == 1) {
            f.CancelRequested = 0;
            if (isotrak)
                isotrakRelease(s);
            s.link.close();
            return Outcome::Cancelled;
        }
        if (s.link.deviceGone()) {
            s.link.close();
            s.dialogs.show(
                crJoin({QStringLiteral("The digitizer stopped answering."), s.link.errorText(),
                        QStringLiteral("Check the cable and repeat the measurement.")}));
            return Outcome::DeviceGone;
        }
        if (!model)
            continue;
        if (f.NextRequested == 1) {
            f.NextRequested = 0;
            if (isotrak)
                isotrakRelease(s);
            return Outcome::Next;
        }
        if (f.BackRequested == 1) {
            f.PointCounter -= 2;
            f.BackRequested = 0;
            if (isotrak)
                isotrakRelease(s);
            return Outcome::Back;
        }
    }
    s.clock.delayMs(300);
    record = QString::fromLatin1(s.link.readAll());
    if (isotrak)
        isotrakRelease(s);
    s.link.close();
    if (isotrak) {
        record = rebuildIsotrak(record);
    } else if (type == QLatin1String("FASTRAK")) {
        const QString report = checkFastrak(record);
        if (!report.isEmpty())
            s.dialogs.show(report);
    }
    return Outcome::Received;
}

Outcome PollDigitizerRecord(Session &s, QString &record)
{
    if (!DigitizerSetup::ensureOpen(s))
        return Outcome::PortFailed;
    s.link.write("P");
    s.clock.delayMs(350);
    record = QString::fromLatin1(s.link.readAll());
    const bool gone = s.link.deviceGone();
    s.link.close();
    return gone ? Outcome::DeviceGone : Outcome::Received;
}

bool ParseDigitizerRecord(const QString &type, const QString &record, int sensor, int mode,
                          Transform4 &rotation, Transform4 &position)
{
    const bool patriot = type == QLatin1String("PATRIOT");
    const bool fastrak = type == QLatin1String("FASTRAK");
    const bool isotrak = type == QLatin1String("ISOTRAK");
    if (!(patriot || fastrak || isotrak) || (mode != 0 && mode != 1))
        return false;
    const int b = patriot ? 0 : (sensor - 1) * StationBlock + 26;
    Transform4 r = Transform4::Identity();
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 3; ++i) {
            const double v = patriot ? field(record, 64 + 33 * j + 9 * i, 9)
                                     : field(record, b + 25 + 21 * j + 7 * i, 7);
            // Column j for FASTRAK and PATRIOT in mode 0 and ISOTRAK in mode 1; row j otherwise.
            const bool asColumn = (mode == 0) != isotrak;
            if (asColumn)
                r(i, j) = v;
            else
                r(j, i) = v;
        }
    }
    const double scale = mode == 0 ? -0.01 : 0.01;
    Transform4 t = Transform4::Identity();
    for (int i = 0; i < 3; ++i)
        t(i, 3) =
            scale * (patriot ? field(record, 37 + 9 * i, 9) : field(record, b + 4 + 7 * i, 7));
    rotation = r;
    position = mode == 0 ? Transform4(r * t) : Transform4(t * r);
    return true;
}

Point3 stylusPosition(const QString &type, const QString &record)
{
    const bool patriot = type == QLatin1String("PATRIOT");
    const int width = patriot ? 9 : 7;
    const int first = patriot ? 5 : 4;
    Point3 p;
    for (int i = 0; i < 3; ++i)
        p[i] = 0.01 * field(record, first + width * i, width);
    return p;
}

} // namespace Records

#include "digitizer_models.h"

namespace {
QByteArray withCr(const QString &command)
{
    return command.toLatin1() + '\r';
}

QList<QByteArray> noCommands(const QString &)
{
    return {};
}

QList<QByteArray> noStations(int)
{
    return {};
}

QList<QByteArray> fastrakConfiguration(const QString &hemisphere)
{
    QList<QByteArray> out;
    out << "c" << withCr(QStringLiteral("e1,1")) << "u" << withCr(QStringLiteral("O1,2,1"));
    for (int st = 2; st <= 4; ++st)
        out << withCr(QStringLiteral("O%1,2,5,6,7,1").arg(st));
    for (int st = 1; st <= 4; ++st)
        out << withCr(QStringLiteral("H%1,").arg(st) + hemisphere);
    for (int st = 1; st <= 4; ++st)
        out << withCr(QStringLiteral("l%1,1").arg(st));
    out << withCr(QStringLiteral("e1,1"));
    return out;
}

QList<QByteArray> fastrakStations(int headReceivers)
{
    QList<QByteArray> out;
    for (int st = 1; st <= 4; ++st)
        out << withCr(QStringLiteral("l%1,%2").arg(st).arg(st - 1 <= headReceivers ? 1 : 0));
    return out;
}

QList<QByteArray> patriotConfiguration(const QString &hemisphere)
{
    return {withCr(QStringLiteral("L1,1")),
            withCr(QStringLiteral("U1")),
            withCr(QStringLiteral("O1,2,1")),
            withCr(QStringLiteral("O2,2,6,1")),
            withCr(QStringLiteral("H1,") + hemisphere),
            withCr(QStringLiteral("H2,") + hemisphere)};
}

QList<QByteArray> isotrakConfiguration(const QString &hemisphere)
{
    return {"P",
            "c",
            "u",
            withCr(QStringLiteral("O2,5,6,7,1")),
            withCr(QStringLiteral("H1,") + hemisphere),
            withCr(QStringLiteral("H2,") + hemisphere)};
}

// FASTRAK and ISOTRAK: a 26-character stylus block, then 89-character receiver blocks.
RecordLayout blockLayout(int length, int deviceLength, bool triplesAreColumns,
                         std::vector<int> status)
{
    RecordLayout l;
    l.length = length;
    l.deviceLength = deviceLength;
    l.stylus = {4, 7, 2};
    l.blockStart = 26;
    l.blockLength = 89;
    l.positionOffset = 4;
    l.orientationOffset = 25;
    l.tripleStride = 21;
    l.receiverPosition = {0, 7, 2};
    l.cosine = {0, 7, 4};
    l.triplesAreColumns = triplesAreColumns;
    l.statusPositions = std::move(status);
    return l;
}

// PATRIOT: the stylus line, then one sensor block read at fixed places whatever the receiver.
RecordLayout patriotLayout()
{
    RecordLayout l;
    l.length = 158;
    l.deviceLength = 158;
    l.stylus = {5, 9, 4};
    l.positionOffset = 37;
    l.orientationOffset = 64;
    l.tripleStride = 33;
    l.receiverPosition = {0, 9, 4};
    l.cosine = {0, 9, 4};
    return l;
}

const QList<ModelTraits> &table()
{
    static const QList<ModelTraits> rows = {
        {DigitizerModel::NoDigitizer, QStringLiteral("No Digitizer"), false, -1, 0,
         QStringLiteral("19200,n,8,1"), RecordLayout(), noCommands, noStations, {}},
        {DigitizerModel::Dummy, QStringLiteral("dummy"), false, 3, 0, QStringLiteral("19200,n,8,1"),
         RecordLayout(), noCommands, noStations, {}},
        {DigitizerModel::Isotrak, QStringLiteral("ISOTRAK"), true, 1, 2,
         QStringLiteral("19200,n,8,1"), blockLayout(115, 178, false, {}), isotrakConfiguration,
         noStations, {}},
        {DigitizerModel::Fastrak, QStringLiteral("FASTRAK"), true, 3, 4,
         QStringLiteral("19200,n,8,1"), blockLayout(293, 293, true, {3, 29, 118, 207}),
         fastrakConfiguration, fastrakStations,
         {"c", "C", 200, {"c\r", "e1,0\r", "e1,1\r"}, "e1,1\r"}},
        {DigitizerModel::Patriot, QStringLiteral("PATRIOT"), true, 1, 2,
         QStringLiteral("115200,n,8,1"), patriotLayout(), patriotConfiguration, noStations,
         {"c\r", "C\r", 0, {"c\r"}, {}}},
    };
    return rows;
}
} // namespace

const ModelTraits &traitsOf(DigitizerModel model)
{
    for (const ModelTraits &t : table())
        if (t.model == model)
            return t;
    return table().front();
}

DigitizerModel modelFromName(const QString &name)
{
    for (const ModelTraits &t : table())
        if (t.name == name)
            return t.model;
    return DigitizerModel::NoDigitizer;
}

const QList<DigitizerModel> &deviceModels()
{
    static const QList<DigitizerModel> models = {DigitizerModel::Isotrak, DigitizerModel::Patriot,
                                                 DigitizerModel::Fastrak};
    return models;
}

QString shapeStylusInstructions(DigitizerModel model)
{
    const QChar cr(13);
    const ModelTraits &t = traitsOf(model);
    if (!t.isDevice)
        return {};
    if (t.shapeStream.start.isEmpty())
        return QStringLiteral("Press and hold the stylus button to start and") + cr +
               QStringLiteral("perform a digitization sequence,") + cr +
               QStringLiteral("release the button to stop");
    // In continuous mode each press toggles the stream.
    return QStringLiteral("Press the stylus button once") + cr +
           QStringLiteral("to start a digitization sequence,") + cr +
           QStringLiteral("and press it again to stop.");
}

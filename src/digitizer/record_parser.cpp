#include "record_parser.h"

#include "data/number_text.h"

namespace Records {

namespace {
const QString CR(QChar(13));

int blocksOf(const RecordLayout &l, int receiverBlocks)
{
    if (l.blockLength == 0)
        return l.positionOffset > 0 ? 1 : 0;
    const int most = (l.length - l.blockStart) / l.blockLength;
    return receiverBlocks < 0 ? most : std::min(receiverBlocks, most);
}

int requiredLength(const RecordLayout &l, int blocks)
{
    if (l.blockLength == 0)
        return l.length;
    return l.blockStart + blocks * l.blockLength;
}

QString modelName(DigitizerModel model)
{
    return traitsOf(model).name;
}

// Reads one field; an empty optional names what was there instead of a number.
std::optional<double> field(const QString &record, int first, int width)
{
    return readWholeNumber(QStringView(record).mid(first - 1, width));
}

QString notANumber(DigitizerModel model, const QString &record, int first, int width,
                   const QString &what)
{
    QString shown = record.mid(first - 1, width).trimmed();
    return QStringLiteral("The %1 record holds \"%2\" where the %3 should be a number.")
        .arg(modelName(model), shown, what);
}
} // namespace

QString rebuildIsotrak(const QString &raw)
{
    return raw.left(24) + raw.mid(87, 2) + raw.mid(89, 89);
}

QString fastrakStatusReport(QChar status, int station)
{
    static const char *inputs[] = {"ONE", "TWO", "THREE", "FOUR"};
    return QStringLiteral("FASTRAK has reported an error as follows:") + CR + CR +
           QStringLiteral("Error Code ") + status + QStringLiteral(" on input ") +
           QLatin1String(inputs[std::clamp(station, 1, 4) - 1]) + QStringLiteral(".") + CR + CR +
           QStringLiteral("Please consult the manual under BUILT-IN-TEST INFORMATION.");
}

QString recordProblem(DigitizerModel model, QString &record, int receiverBlocks)
{
    const ModelTraits &t = traitsOf(model);
    const RecordLayout &l = t.layout;
    if (!t.isDevice)
        return {};
    if (record.isEmpty())
        return QStringLiteral("The %1 sent no record.").arg(t.name);
    const int blocks = blocksOf(l, receiverBlocks);
    const int need = requiredLength(l, blocks);
    if (record.size() < need)
        return QStringLiteral("The %1 record is cut short: %2 of %3 characters arrived.")
            .arg(t.name)
            .arg(record.size())
            .arg(need);
    if (model == DigitizerModel::Fastrak)
        record.truncate(need);
    if (record.left(need).contains(QChar(0)))
        return QStringLiteral("The %1 record holds NUL bytes; the line settings may not match "
                              "the device.")
            .arg(t.name);
    if (l.blockLength > 0) {
        QList<int> lineEnds = {l.blockStart - 1};
        for (int k = 1; k <= blocks; ++k)
            lineEnds << l.blockStart + k * l.blockLength - 1;
        for (int at : lineEnds) {
            if (record.mid(at - 1, 2) != QLatin1String("\r\n"))
                return QStringLiteral("The %1 record has no line end at character %2; the line "
                                      "settings may not match the device.")
                    .arg(t.name)
                    .arg(at);
        }
    }
    for (int i = 0; i < int(l.statusPositions.size()) && i <= blocks; ++i) {
        const QChar status = record.at(l.statusPositions[i] - 1);
        if (status != QLatin1Char(' '))
            return fastrakStatusReport(status, i + 1);
    }
    static const char *axes[] = {"x", "y", "z"};
    for (int c = 0; c < 3; ++c) {
        const int first = l.stylus.first + c * l.stylus.width;
        if (!field(record, first, l.stylus.width))
            return notANumber(model, record, first, l.stylus.width,
                              QStringLiteral("stylus ") + QLatin1String(axes[c]));
    }
    for (int k = 1; k <= blocks; ++k) {
        const int b = l.blockStart + (k - 1) * l.blockLength;
        const QString who =
            l.blockLength > 0 ? QStringLiteral("receiver %1 ").arg(k) : QStringLiteral("receiver ");
        for (int c = 0; c < 3; ++c) {
            const int first = b + l.positionOffset + c * l.receiverPosition.width;
            if (!field(record, first, l.receiverPosition.width))
                return notANumber(model, record, first, l.receiverPosition.width,
                                  who + QLatin1String(axes[c]));
        }
        for (int j = 0; j < 3; ++j) {
            for (int i = 0; i < 3; ++i) {
                const int first = b + l.orientationOffset + j * l.tripleStride + i * l.cosine.width;
                if (!field(record, first, l.cosine.width))
                    return notANumber(model, record, first, l.cosine.width,
                                      who +
                                          QStringLiteral("direction cosine %1").arg(3 * j + i + 1));
            }
        }
    }
    return {};
}

std::optional<Reading> parseReading(DigitizerModel model, QString record, int receiverBlocks,
                                    QString *problem)
{
    const QString why = recordProblem(model, record, receiverBlocks);
    if (!why.isEmpty() || !isDevice(model)) {
        if (problem)
            *problem = why.isEmpty()
                           ? QStringLiteral("%1 takes no readings.").arg(traitsOf(model).name)
                           : why;
        return std::nullopt;
    }
    const RecordLayout &l = traitsOf(model).layout;
    Reading r;
    for (int c = 0; c < 3; ++c)
        r.stylus[c] = 0.01 * *field(record, l.stylus.first + c * l.stylus.width, l.stylus.width);
    r.sharedBlock = l.blockLength == 0;
    const int blocks = blocksOf(l, receiverBlocks);
    for (int k = 1; k <= blocks; ++k) {
        const int b = l.blockStart + (k - 1) * l.blockLength;
        ReceiverPose pose;
        for (int c = 0; c < 3; ++c)
            pose.positionCm[c] = *field(record, b + l.positionOffset + c * l.receiverPosition.width,
                                        l.receiverPosition.width);
        for (int j = 0; j < 3; ++j) {
            for (int i = 0; i < 3; ++i) {
                const double v = *field(
                    record, b + l.orientationOffset + j * l.tripleStride + i * l.cosine.width,
                    l.cosine.width);
                if (l.triplesAreColumns)
                    pose.rotation(i, j) = v;
                else
                    pose.rotation(j, i) = v;
            }
        }
        r.receivers.push_back(pose);
    }
    return r;
}

bool ParseDigitizerRecord(DigitizerModel model, const QString &record, int sensor, int mode,
                          Transform4 &rotation, Transform4 &position)
{
    if (mode != 0 && mode != 1)
        return false;
    const std::optional<Reading> r = parseReading(model, record);
    if (!r)
        return false;
    position = r->receiver(sensor).transform(mode);
    rotation = Transform4::Identity();
    rotation.block<3, 3>(0, 0) = position.block<3, 3>(0, 0);
    return true;
}

} // namespace Records

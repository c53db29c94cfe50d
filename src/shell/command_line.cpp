#include "command_line.h"

std::optional<BatchNames> splitBatchCommandLine(const QString &line)
{
    const qsizetype p1 = line.indexOf(QLatin1Char(' '));
    if (p1 < 0)
        return std::nullopt;
    const qsizetype p2 = line.indexOf(QLatin1Char(' '), p1 + 1);
    if (p2 < 0)
        return std::nullopt;
    return BatchNames{line.left(p1), line.mid(p1 + 1, p2 - p1 - 1), line.mid(p2 + 1)};
}

QString joinArguments(const QStringList &args)
{
    return args.join(QLatin1Char(' '));
}

QString batchUsage()
{
    return QStringLiteral(
        "Usage: pointra [CALIBRATION.clb FIDUCIALS.fid PROBE.elp]\n"
        "Without arguments Pointra opens its window. With three file names it measures the\n"
        "probe position with a FASTRAK and writes the probe file, without a window.\n"
        "Names are separated by single blanks; only the last may contain blanks.\n");
}

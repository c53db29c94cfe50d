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
        "Usage: pointra [--service] [--edit-sequence [FILE.seq]]\n"
        "       pointra CALIBRATION.clb FIDUCIALS.fid PROBE.elp\n"
        "Without arguments Pointra opens its window. With three file names it measures the\n"
        "probe position with a FASTRAK and writes the probe file, without a window.\n"
        "Names are separated by single blanks; only the last may contain blanks.\n"
        "  --service        show the service menus (Diagnostics, Test, Development, xISOTRAK,\n"
        "                   xFASTRAK) for a technician\n"
        "  --edit-sequence  open the Sequence File Editor on FILE.seq (or a new sequence)\n"
        "  --help           this text\n");
}

ProgramOptions parseProgramArguments(const QStringList &args)
{
    ProgramOptions o;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (!a.startsWith(QLatin1String("--")) && a != QLatin1String("-h")) {
            o.batchWords = args.mid(i);
            break;
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--service")) {
            o.service = true;
        } else if (a == QLatin1String("--edit-sequence")) {
            o.editSequence = true;
            if (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--")))
                o.sequenceFile = args[++i];
        } else if (o.unknownOption.isEmpty()) {
            o.unknownOption = a;
        }
    }
    return o;
}

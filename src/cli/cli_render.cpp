#include "cli_render.h"

#include "cli/cli_app.h"

#include "commands/display_commands.h"
#include "commands/file_commands.h"
#include "data/file_error.h"
#include "data/probe_file.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "display/picture_file.h"
#include "display/point_view.h"
#include "display/scene_from_workspace.h"
#include "seams/dialogs.h"
#include "seams/session.h"

#include <cmath>
#include <cstdio>
#include <optional>

namespace CliRender {
namespace {
const QStringList ValueOptions = {"--width", "--height", "--azimuth", "--elevation", "--scale"};
constexpr int MaxPixels = 16384;

int usageError(const QString &why)
{
    std::fprintf(stderr, "pointra-cli render: %s\n\n%s", qPrintable(why), qPrintable(cliUsage()));
    return 2;
}

struct Options
{
    QSize size = PointView::DefaultPlotSize;
    std::optional<int> azimuth, elevation;
    std::optional<double> scale;
    bool labels = false;
};

// Empty text when the options are good, else why not.
QString parse(const QStringList &args, Options &o)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString name = args[i];
        if (name == QLatin1String("--labels")) {
            o.labels = true;
            continue;
        }
        const QString value = args.value(++i);
        bool ok = false;
        if (name == QLatin1String("--scale")) {
            const double s = value.toDouble(&ok);
            if (!ok || !std::isfinite(s))
                return QStringLiteral("--scale takes a number");
            o.scale = s;
            continue;
        }
        const int n = value.toInt(&ok);
        if (name == QLatin1String("--width") || name == QLatin1String("--height")) {
            if (!ok || n < 1 || n > MaxPixels)
                return QStringLiteral("%1 takes a whole number of pixels from 1 to %2")
                    .arg(name)
                    .arg(MaxPixels);
            (name == QLatin1String("--width") ? o.size.rwidth() : o.size.rheight()) = n;
        } else {
            if (!ok || n < -32768 || n > 32767)
                return QStringLiteral("%1 takes whole degrees").arg(name);
            (name == QLatin1String("--azimuth") ? o.azimuth : o.elevation) = n;
        }
    }
    return {};
}

// Reads IN into the workspace; the data set it fills, or 0 when it was refused.
int readInput(Session &s, FileCommands &files, const QString &in)
{
    const FileFormat *format = formatOfName(in);
    if (format && format->kind == FileKind::Electrode) {
        QByteArray bytes;
        try {
            bytes = readFileBytes(in);
            if (isProbeFileText(bytes)) {
                LineReader lines(bytes);
                ReadProbeFile(lines, s.ws);
                return DisplaySets::Probe;
            }
        } catch (const FileError &e) {
            files.reportReadError(e);
            return 0;
        }
    }
    if (!files.openPath(in))
        return 0;
    return format->kind == FileKind::Shape ? DisplaySets::Shape : DisplaySets::Electrodes;
}

int countOf(const Workspace &ws, int set)
{
    return set == DisplaySets::Shape ? ws.NumShapePoints : ws.sensors.NumSensors;
}
} // namespace

bool isOption(const QString &arg)
{
    return arg == QLatin1String("--labels") || ValueOptions.contains(arg);
}

bool takesValue(const QString &arg)
{
    return ValueOptions.contains(arg);
}

int run(Session &s, FileCommands &files, const QStringList &positional, const QStringList &options)
{
    if (positional.size() != 2)
        return usageError(QStringLiteral("render needs IN and OUT"));
    Options o;
    const QString bad = parse(options, o);
    if (!bad.isEmpty())
        return usageError(bad);
    const QString in = positional[0];
    const FileFormat *format = formatOfName(in);
    static const QList<FileKind> drawn = {FileKind::Electrode, FileKind::Besa, FileKind::Curry,
                                          FileKind::Shape};
    if (!format || !drawn.contains(format->kind))
        return usageError(QStringLiteral("render draws electrode (.elp, .sfp, .res), head-shape "
                                         "(.hsp) and probe (.elp) files"));
    const int set = readInput(s, files, in);
    if (set == 0)
        return 1;
    if (countOf(s.ws, set) == 0) {
        s.dialogs.show(DisplayCommands::NoData);
        return 1;
    }
    ViewState view = homeView(o.size, set);
    if (o.azimuth)
        view.ViewAzimuth = *o.azimuth;
    if (o.elevation)
        view.ViewElevation = *o.elevation;
    if (o.scale)
        view.PlotScale = *o.scale;
    DrawOptions drawing;
    drawing.drawLabels = o.labels;
    const QImage image = renderScene(sceneFromWorkspace(s.ws, set), view, o.size, drawing);
    try {
        savePicture(positional[1], image);
    } catch (const FileError &e) {
        files.reportWriteError(e);
        return 1;
    }
    return 0;
}
} // namespace CliRender

#include "cli_app.h"

#include "cli/cli_render.h"

#include "cli/cli_digitize.h"
#include "commands/command_set.h"
#include "commands/setup_menus.h"
#include "data/app_paths.h"
#include "data/settings_file.h"
#include "data/workspace.h"
#include "display/listings.h"
#include "platform/console_dialogs.h"
#include "platform/qt_event_pump.h"
#include "platform/steady_clock.h"
#include "seams/command_table.h"
#include "seams/serial_link.h"
#include "seams/session.h"
#include "seams/ui_state.h"
#include "seams/wave_audio.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

namespace {
// The command line names the files, so the file dialogs answer with them.
class CliDialogs final : public Dialogs
{
public:
    Answer message(const QString &text, const QString &title, Buttons buttons, Icon icon,
                   Answer defaultAnswer) override
    {
        m_console.message(text, title, buttons, icon, defaultAnswer);
        // The output file was named on purpose: replace it.
        return buttons == Buttons::YesNo ? Answer::Yes : defaultAnswer;
    }
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> openFileName(const FileRequest &) override { return openAnswer; }
    std::optional<QString> saveFileName(const FileRequest &) override { return saveAnswer; }

    std::optional<QString> openAnswer, saveAnswer;

private:
    ConsoleDialogs m_console;
};

// No port is opened by these commands.
class NoLink final : public SerialLink
{
public:
    void setCommPort(int) override {}
    int commPort() const override { return 0; }
    void setSettings(const QString &) override {}
    QString settings() const override { return {}; }
    bool open() override { return false; }
    void close() override {}
    bool isOpen() const override { return false; }
    QString errorText() const override
    {
        return QStringLiteral("pointra-cli opens no serial port");
    }
    bool deviceGone() const override { return false; }
    void write(const QByteArray &) override {}
    QByteArray readAll() override { return {}; }
    int bytesPending() override { return 0; }
    void discardPending() override {}
};

int usageError(const QString &why)
{
    std::fprintf(stderr, "pointra-cli: %s\n\n%s", qPrintable(why), qPrintable(cliUsage()));
    return 2;
}

struct Rig
{
    Rig()
    {
        ws.AppPath = AppPaths::resolveAppPath(QCoreApplication::applicationDirPath());
        ws.DataPath = ws.AppPath;
        SettingsFile::read(AppPaths::settingsFile(ws.AppPath), ws.settings);
        if (ws.settings.DecimalPoint != QLatin1String("Comma"))
            ws.settings.DecimalPoint = QStringLiteral("Period");
        if (!QStringList{"TEVO", "BESA", "Curry"}.contains(ws.settings.CoordinateSystem))
            ws.settings.CoordinateSystem = QStringLiteral("TEVO");
    }
    Workspace ws;
    UiState ui;
    CliDialogs dialogs;
    SteadyClock clock;
    QtEventPump pump;
    SilentAudio audio;
    NoLink link;
    Session session{ws, dialogs, ui, clock, pump, audio, link, {}, {}};
    CommandSet menus{session};
    FileCommands &files = menus.files;
    ConvertCommands &conversions = menus.conversions;
};

int convert(Rig &r, const QString &to, QString from, const QString &in, const QString &out)
{
    const FileFormat *inFormat = formatOfName(in);
    const auto inKind = inFormat ? std::optional<FileKind>(inFormat->kind) : std::nullopt;
    if (from.isEmpty()) {
        from = inKind == FileKind::Electrode ? QStringLiteral("tevo")
               : inKind == FileKind::Besa    ? QStringLiteral("besa")
               : inKind == FileKind::Curry   ? QStringLiteral("curry-old")
                                             : QStringLiteral("table");
    }
    static const QStringList routes = {"tevo>besa",  "besa>tevo",       "table>tevo",
                                       "tevo>curry", "curry-old>curry", "curry-old>tevo"};
    const QString route = from + QStringLiteral(">") + to;
    if (!routes.contains(route))
        return usageError(QStringLiteral("no conversion from %1 to %2").arg(from, to));
    // The output is written by its extension, so it must be the target's.
    const FileKind outKind = to == QLatin1String("besa")    ? FileKind::Besa
                             : to == QLatin1String("curry") ? FileKind::Curry
                                                            : FileKind::Electrode;
    const FileFormat *outFormat = formatOfName(out);
    if (!outFormat || outFormat->kind != outKind)
        return usageError(QStringLiteral("cannot write %1 as a %2 file; its name needs the "
                                         "extension .%3")
                              .arg(out, to, formatOf(outKind).extension));
    r.dialogs.saveAnswer = out;
    const bool table = from == QLatin1String("table");
    if (table) {
        r.dialogs.openAnswer = in;
        if (!r.conversions.importTable())
            return 1;
    } else {
        const FileKind expected = from == QLatin1String("tevo")   ? FileKind::Electrode
                                  : from == QLatin1String("besa") ? FileKind::Besa
                                                                  : FileKind::Curry;
        if (inKind != expected)
            return usageError(
                QStringLiteral("%1 does not have the extension of a %2 file").arg(in, from));
        if (!r.files.openPath(in))
            return 1;
    }
    bool done = false;
    if (route == QLatin1String("tevo>besa"))
        done = r.conversions.convertTevoToBesa();
    else if (route == QLatin1String("besa>tevo") || route == QLatin1String("table>tevo"))
        done = r.conversions.convertBesaToTevo();
    else if (route == QLatin1String("tevo>curry"))
        done = r.conversions.convertTevoToCurry();
    else if (route == QLatin1String("curry-old>curry"))
        done = r.conversions.convertCurryOldToCurry() && r.files.savePath(out);
    else
        done = r.conversions.convertCurryOldToTevo();
    return done ? 0 : 1;
}
} // namespace

QString cliUsage()
{
    return QStringLiteral(
        "Usage: pointra-cli [--decimal period|comma] [--coordinates TEVO|BESA|Curry] COMMAND ...\n"
        "\n"
        "Commands:\n"
        "  convert --to besa|curry|tevo [--from tevo|besa|curry-old|table] IN OUT\n"
        "      Converts IN as the Convert menu does and saves OUT (BESA also writes the .ela\n"
        "      beside OUT). Without --from the extension of IN decides: .elp tevo, .sfp besa,\n"
        "      .res curry-old, anything else a table (label and three coordinates a line).\n"
        "  show FILE\n"
        "      Prints the View-menu listing of the data set that File > Open of FILE fills.\n"
        "  roundtrip FILE OUT\n"
        "      Opens FILE as File > Open does and saves OUT with the same writer.\n"
        "  render IN OUT.png [--width W --height H] [--azimuth A --elevation E --scale S]\n"
        "         [--labels]\n"
        "      Draws the data set of IN as the window's plot of W x H pixels (default 600 x\n"
        "      450) shows it, on white, in the Home view (azimuth 180, elevation -90, scale\n"
        "      150) unless given, and writes it as PNG: .elp, .sfp and .res electrode files as\n"
        "      electrodes, .hsp as head shape, a probe .elp as probe. --labels draws the\n"
        "      electrode names.\n"
        "  digitize --sequence SEQ.seq --out OUT.elp|.sfp|.res [--resume JOURNAL]\n"
        "  digitize --step dewar|subject --out FILE.clb|FILE.fid [--dewar FILE.dwr]\n"
        "      Runs a measurement step on the configured digitizer without a window\n"
        "      (pointra-cli digitize --help tells more).\n"
        "\n"
        "Options (the settings in force; by default those of pointra.ini):\n"
        "  --decimal period|comma        decimal separator of written numbers\n"
        "  --coordinates TEVO|BESA|Curry coordinate system of the listings\n"
        "  --help                        this text\n"
        "\n"
        "Messages the window would show go to standard error. Exit status: 0 done, 1 input\n"
        "refused or malformed, 2 usage error.\n");
}

int runCli(const QStringList &arguments)
{
    QStringList args = arguments;
    if (args.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const bool help =
        args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
    if (args.contains(QStringLiteral("digitize"))) {
        if (help) {
            std::printf("%s", qPrintable(digitizeUsage()));
            return 0;
        }
        args.removeOne(QStringLiteral("digitize"));
        return runDigitize(args);
    }
    if (help) {
        std::printf("%s", qPrintable(cliUsage()));
        return 0;
    }
    Rig r;
    QString to, from;
    QStringList positional, renderOptions;
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--decimal")) {
            const QString v = hasValue ? args[++i].toLower() : QString();
            if (v != QLatin1String("period") && v != QLatin1String("comma"))
                return usageError(QStringLiteral("--decimal takes period or comma"));
            r.ws.settings.DecimalPoint =
                v == QLatin1String("comma") ? QStringLiteral("Comma") : QStringLiteral("Period");
        } else if (a == QLatin1String("--coordinates")) {
            const QString v = hasValue ? args[++i] : QString();
            if (!QStringList{"TEVO", "BESA", "Curry"}.contains(v))
                return usageError(QStringLiteral("--coordinates takes TEVO, BESA or Curry"));
            r.ws.settings.CoordinateSystem = v;
        } else if (a == QLatin1String("--to")) {
            to = hasValue ? args[++i].toLower() : QString();
        } else if (a == QLatin1String("--from")) {
            from = hasValue ? args[++i].toLower() : QString();
        } else if (CliRender::isOption(a)) {
            renderOptions << a;
            if (CliRender::takesValue(a))
                renderOptions << (hasValue ? args[++i] : QString());
        } else if (a.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("unknown option ") + a);
        } else {
            positional << a;
        }
    }
    SetupMenus::UpdateSetupMenus(r.session);
    const QString command = positional.value(0);
    if (command == QLatin1String("convert")) {
        if (positional.size() != 3 || !QStringList{"besa", "curry", "tevo"}.contains(to))
            return usageError(QStringLiteral("convert needs --to besa|curry|tevo, IN and OUT"));
        return convert(r, to, from, positional[1], positional[2]);
    }
    if (command == QLatin1String("show")) {
        if (positional.size() != 2)
            return usageError(QStringLiteral("show needs one file"));
        const FileFormat *format = formatOfName(positional[1]);
        if (!r.files.openPath(positional[1]) || !format)
            return 1;
        QString listing = Listings::byViewName(r.ws, format->listing);
        listing.replace(QChar(13), QChar(10));
        std::printf("%s", listing.toLocal8Bit().constData());
        return 0;
    }
    if (command == QLatin1String("render"))
        return CliRender::run(r.session, r.files, positional.mid(1), renderOptions);
    if (command == QLatin1String("roundtrip")) {
        if (positional.size() != 3)
            return usageError(QStringLiteral("roundtrip needs FILE and OUT"));
        const FileFormat *format = formatOfName(positional[1]);
        if (format && !format->write) {
            std::fprintf(stderr, "pointra-cli: %s files are read, never written\n",
                         qPrintable(format->extension));
            return 1;
        }
        if (!r.files.openPath(positional[1]) || !format)
            return 1;
        return r.files.writeFile(format->kind, positional[2]) ? 0 : 1;
    }
    return usageError(command.isEmpty() ? QStringLiteral("no command given")
                                        : QStringLiteral("unknown command ") + command);
}

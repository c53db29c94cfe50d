#include "cli_digitize.h"

#include "acquisition/wizard.h"
#include "commands/file_commands.h"
#include "data/app_paths.h"
#include "data/settings_file.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "platform/auto_link.h"
#include "platform/console_dialogs.h"
#include "platform/qt_event_pump.h"
#include "platform/steady_clock.h"
#include "seams/session.h"
#include "seams/ui_state.h"
#include "seams/wave_audio.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace {
void say(const QString &text)
{
    std::fprintf(stderr, "pointra-cli: %s\n", qPrintable(text));
    std::fflush(stderr);
}

int usageError(const QString &why)
{
    std::fprintf(stderr, "pointra-cli digitize: %s\n\n%s", qPrintable(why),
                 qPrintable(digitizeUsage()));
    return 2;
}

// Messages on standard error; a question takes its default answer, which is said too.
class DigitizeDialogs final : public Dialogs
{
public:
    Answer message(const QString &text, const QString &title, Buttons buttons, Icon icon,
                   Answer defaultAnswer) override
    {
        m_console.message(text, title, buttons, icon, defaultAnswer);
        if (buttons != Buttons::Ok)
            say(defaultAnswer == Answer::Yes  ? QStringLiteral("answered Yes")
                : defaultAnswer == Answer::No ? QStringLiteral("answered No")
                                              : QStringLiteral("answered Cancel"));
        return defaultAnswer;
    }
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> openFileName(const FileRequest &) override { return std::nullopt; }
    std::optional<QString> saveFileName(const FileRequest &) override { return std::nullopt; }

private:
    ConsoleDialogs m_console;
};

// Prompts as lines on standard output; a lost device or a refused reading ends the run.
class CliWizardView final : public WizardView
{
public:
    void setButtons(const Buttons &) override {}
    void showPrompt(const Prompt &prompt) override
    {
        if (prompt.isEmpty())
            return;
        std::printf("%s\n", prompt.lines.join(QStringLiteral(" / ")).toLocal8Bit().constData());
        std::fflush(stdout);
    }
    void setStepTitle(const QString &) override {}
    void setPointProgress(int, int, const QString &) override {}
    void setPointNames(const QStringList &) override {}
    void showElectrodeSet() override {}
    void clearDisplay() override {}
    void waitChanged(bool) override {}
    void waitEnded(Records::Outcome outcome) override
    {
        using O = Records::Outcome;
        if (outcome == O::DeviceGone || outcome == O::PortFailed)
            failure = QStringLiteral("the digitizer was lost; nothing was written.");
        else if (outcome == O::Refused)
            failure = QStringLiteral("a record was not a reading; nothing was written.");
    }
    QString failure;
};

struct Options
{
    QString step = QStringLiteral("electrodes");
    QString sequence, out, resume, dewar;
    int receivers = 1;
    QString decimal;
};

// Operator keys, one a line; end of input means no more keys.
class KeyReader
{
public:
    bool open() const { return m_open; }
    // Waits up to `ms` for input; returns the keys that arrived.
    QString read(int ms)
    {
        QString keys;
        if (!m_open) {
            if (ms > 0)
                ::usleep(static_cast<useconds_t>(ms) * 1000);
            return keys;
        }
        pollfd pfd{STDIN_FILENO, POLLIN, 0};
        if (::poll(&pfd, 1, ms) <= 0)
            return keys;
        char buf[256];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            m_open = false;
            return keys;
        }
        m_pending.append(buf, n);
        qsizetype nl;
        while ((nl = m_pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromLocal8Bit(m_pending.left(nl)).trimmed();
            m_pending.remove(0, nl + 1);
            if (!line.isEmpty())
                keys += line.at(0).toLower();
        }
        return keys;
    }

private:
    bool m_open = true;
    QByteArray m_pending;
};

std::optional<Wizard::Button> buttonOf(QChar key)
{
    switch (key.unicode()) {
    case 'n':
        return Wizard::Button::Next;
    case 'b':
        return Wizard::Button::Back;
    case 'r':
        return Wizard::Button::Repeat;
    case 'a':
        return Wizard::Button::Accept;
    case 'c':
        return Wizard::Button::Cancel;
    default:
        return std::nullopt;
    }
}

QString buttonName(QChar key)
{
    switch (key.unicode()) {
    case 'n':
        return QStringLiteral("Next");
    case 'b':
        return QStringLiteral("Back");
    case 'r':
        return QStringLiteral("Repeat");
    case 'a':
        return QStringLiteral("Accept");
    default:
        return QStringLiteral("Cancel");
    }
}

struct Run
{
    explicit Run(const Options &o) : options(o)
    {
        ws.AppPath = AppPaths::resolveAppPath(QCoreApplication::applicationDirPath());
        ws.DataPath = ws.AppPath;
        SettingsFile::read(AppPaths::settingsFile(ws.AppPath), ws.settings);
        if (!o.decimal.isEmpty())
            ws.settings.DecimalPoint = o.decimal;
        if (ws.settings.DecimalPoint != QLatin1String("Comma"))
            ws.settings.DecimalPoint = QStringLiteral("Period");
        if (!QStringList{"TEVO", "BESA", "Curry"}.contains(ws.settings.CoordinateSystem))
            ws.settings.CoordinateSystem = QStringLiteral("TEVO");
        wizard.setView(&view);
    }
    int go();
    int finish();

    Options options;
    Workspace ws;
    UiState ui;
    DigitizeDialogs dialogs;
    SteadyClock clock;
    QtEventPump pump;
    SilentAudio audio;
    AutoLink link{clock, [this] { return ws.settings.Digitizer; }};
    Session session{ws, dialogs, ui, clock, pump, audio, link, {}, {}};
    FileCommands files{session};
    CliWizardView view;
    Wizard wizard{session};
};

int Run::go()
{
    const FileFormat *format = formatOfName(options.out);
    if (!format->system.isEmpty())
        ws.settings.CoordinateSystem = format->system;
    if (!isDevice(ws.settings.Digitizer)) {
        wizard.needsDigitizer();
        return 1;
    }
    DigitizerSetup::ApplySerialSettings(session);
    if (DigitizerSetup::InitializeDigitizer(session) == DigitizerSetup::InitResult::PortFailed)
        return 1;
    say(QStringLiteral("%1 on %2").arg(traitsOf(ws.settings.Digitizer).name, link.target()));
    ws.ReceiverCount = options.receivers;
    if (options.step == QLatin1String("dewar")) {
        if (!files.readFile(FileKind::Dewar, options.dewar))
            return 1;
        wizard.menuCalibration();
    } else if (options.step == QLatin1String("subject")) {
        wizard.menuFiducials();
    } else if (options.step == QLatin1String("shape")) {
        wizard.menuShape();
    } else if (!options.resume.isEmpty()) {
        if (!wizard.recoverFrom(options.resume))
            return 1;
        say(QStringLiteral("going on with %1").arg(options.resume));
    } else {
        if (!files.readFile(FileKind::Sequence, options.sequence))
            return 1;
        wizard.menuEProbes();
        if (wizard.state.Step != Steps::Electrodes)
            return 1;
        say(QStringLiteral("journal: %1").arg(Journal::defaultPath(ws.AppPath)));
    }

    KeyReader keys;
    bool hinted = false;
    for (;;) {
        if (!view.failure.isEmpty()) {
            say(view.failure);
            return 1;
        }
        if (wizard.resultReady()) {
            if (!keys.open())
                return finish();
            if (!hinted) {
                say(QStringLiteral("press a to accept and write %1%2, c to cancel")
                        .arg(options.out, wizard.buttons().repeat ? QStringLiteral(", r to repeat")
                                                                  : QString()));
                hinted = true;
            }
        } else {
            hinted = false;
            if (!keys.open() && !wizard.waiting()) {
                say(QStringLiteral("the input ended while the step waits for a key; nothing was "
                                   "written."));
                return 1;
            }
        }
        const QString pressed = keys.read(wizard.waiting() ? 5 : 50);
        const bool streaming =
            wizard.state.Step == Steps::Shape && wizard.state.SubStep == 4 && wizard.waiting();
        for (const QChar k : pressed) {
            // Accept ends the head-shape loop, keeping the sequence being streamed.
            if (k == QLatin1Char('a') && (wizard.resultReady() || streaming))
                return finish();
            const std::optional<Wizard::Button> b = buttonOf(k);
            if (!b) {
                say(QStringLiteral("keys are n, b, r, a and c, one a line"));
                continue;
            }
            if (!wizard.press(*b)) {
                say(buttonName(k) + QStringLiteral(" is not available now"));
                continue;
            }
            if (*b == Wizard::Button::Cancel) {
                say(QStringLiteral("cancelled; nothing was written."));
                return 1;
            }
        }
        wizard.poll();
    }
}

int Run::finish()
{
    if (!wizard.Accept())
        return 1;
    if (wizard.state.Step == Steps::Shape) {
        const ShapeLoop::Counts &c = wizard.headShape().loop().counts();
        say(QStringLiteral("%1 readings arrived, %2 kept, %3 not readings")
                .arg(c.arrived)
                .arg(c.kept)
                .arg(c.refused));
        if (ws.NumShapePoints == 0) {
            say(QStringLiteral("no head-shape point was taken; nothing was written."));
            return 1;
        }
    }
    const FileFormat *format = formatOfName(options.out);
    if (!files.writeFile(format->kind, options.out))
        return 1;
    wizard.journal().discard();
    say(QStringLiteral("wrote %1").arg(options.out));
    return 0;
}
} // namespace

QString digitizeUsage()
{
    return QStringLiteral(
        "Usage: pointra-cli digitize --sequence SEQ.seq --out OUT.elp|.sfp|.res [--receivers N]\n"
        "       pointra-cli digitize --resume JOURNAL --out OUT.elp|.sfp|.res\n"
        "       pointra-cli digitize --step dewar --dewar FILE.dwr --out FILE.clb\n"
        "       pointra-cli digitize --step subject --out FILE.fid [--receivers N]\n"
        "       pointra-cli digitize --step shape --out HEAD.hsp [--receivers N]\n"
        "\n"
        "Runs a measurement step without a window on the digitizer of pointra.ini (Comm port,\n"
        "POINTRA_COMM<n>, or the built-in emulator as in the window). Each prompt is printed as\n"
        "one line on standard output. Operator keys come on standard input, one a line: n Next,\n"
        "b Back, r Repeat, a Accept, c Cancel. When the step is complete and the input has ended,\n"
        "the result is accepted and OUT written in the format of its extension. The head-shape\n"
        "step streams sweeps of the stylus until a (Accept) ends it; with the input ended it\n"
        "is accepted once a sequence is complete.\n"
        "  --receivers N   receivers on the subject's head (default 1; 1 or 2 for subject)\n"
        "  --resume FILE   goes on with the measurement a journal holds (after a crash)\n"
        "  --decimal period|comma\n"
        "Exit status: 0 OUT written; 1 cancelled, device lost, reading refused or input ended\n"
        "before the step could go on (nothing written); 2 usage error.\n");
}

int runDigitize(const QStringList &arguments)
{
    Options o;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString a = arguments[i];
        const QString v = i + 1 < arguments.size() ? arguments[i + 1] : QString();
        auto take = [&](QString &into) {
            if (v.isEmpty() || v.startsWith(QLatin1String("--")))
                return false;
            into = v;
            ++i;
            return true;
        };
        QString receivers;
        bool ok = true;
        if (a == QLatin1String("--sequence"))
            ok = take(o.sequence);
        else if (a == QLatin1String("--out"))
            ok = take(o.out);
        else if (a == QLatin1String("--resume"))
            ok = take(o.resume);
        else if (a == QLatin1String("--dewar"))
            ok = take(o.dewar);
        else if (a == QLatin1String("--step"))
            ok = take(o.step);
        else if (a == QLatin1String("--decimal")) {
            QString d;
            ok = take(d) && (d == QLatin1String("period") || d == QLatin1String("comma"));
            o.decimal =
                d == QLatin1String("comma") ? QStringLiteral("Comma") : QStringLiteral("Period");
        } else if (a == QLatin1String("--receivers")) {
            ok = take(receivers);
            o.receivers = receivers.toInt(&ok);
            ok = ok && o.receivers >= 0 && o.receivers <= 3;
        } else
            return usageError(QStringLiteral("unknown argument ") + a);
        if (!ok)
            return usageError(QStringLiteral("%1 needs a valid value").arg(a));
    }
    const FileFormat *format = formatOfName(o.out);
    if (o.out.isEmpty() || !format)
        return usageError(QStringLiteral("--out needs a file name with a known extension"));
    if (o.step == QLatin1String("dewar")) {
        if (format->kind != FileKind::Calibration)
            return usageError(QStringLiteral("the dewar step writes a .clb file"));
        if (o.dewar.isEmpty())
            return usageError(QStringLiteral("the dewar step needs --dewar FILE.dwr"));
    } else if (o.step == QLatin1String("subject")) {
        if (format->kind != FileKind::Fiducials)
            return usageError(QStringLiteral("the subject step writes a .fid file"));
        if (o.receivers < 1 || o.receivers > 2)
            return usageError(QStringLiteral("the subject step needs 1 or 2 --receivers"));
    } else if (o.step == QLatin1String("shape")) {
        if (format->kind != FileKind::Shape)
            return usageError(QStringLiteral("the shape step writes a .hsp file"));
    } else if (o.step == QLatin1String("electrodes")) {
        if (format->kind != FileKind::Electrode && format->kind != FileKind::Besa &&
            format->kind != FileKind::Curry)
            return usageError(QStringLiteral("electrodes are written to .elp, .sfp or .res"));
        if (o.sequence.isEmpty() == o.resume.isEmpty())
            return usageError(QStringLiteral("give either --sequence or --resume"));
    } else {
        return usageError(QStringLiteral("--step takes dewar, subject or shape"));
    }
    if (QFileInfo(o.out).exists() && !QFileInfo(o.out).isWritable())
        return usageError(o.out + QStringLiteral(" cannot be written"));
    Run run(o);
    return run.go();
}

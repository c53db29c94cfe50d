#include "app/console_window.h"
#include "app/main_window.h"
#include "app/menu_layout.h"
#include "app/stream_window.h"
#include "digitizer/digitizer_setup.h"
#include "digitizer/emulator/emulator_link.h"
#include "fakes.h"
#include "platform/qt_event_pump.h"
#include "platform/steady_clock.h"
#include "shell/app_core.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {
// The window of a service-mode run whose line leads to the built-in emulator on real time.
struct WindowRig
{
    explicit WindowRig(DigitizerModel model, int receivers)
        : emu({model, receivers, 0.0, 9}), link(emu, clock)
    {
        app.ws.settings = {model, "TEVO", "Period", "0,0,1", 1, "OFF"};
        app.ws.ReceiverCount = receivers;
        window.attach(app);
        DigitizerSetup::ApplySerialSettings(app.session);
        DigitizerSetup::InitializeDigitizer(app.session);
        app.shell.setServiceMode(true);
        window.syncFromState();
        window.show();
    }
    template <typename W> W *open() const { return window.findChild<W *>(); }
    // The stylus button is pressed `ms` from now.
    void pressAfter(int ms)
    {
        emu.schedule(clock.nowMs() + ms, [this] { emu.press(); });
    }

    FakeDialogs dialogs;
    SteadyClock clock;
    QtEventPump pump;
    DigitizerEmulator emu;
    EmulatorLink link;
    SilentAudio audio;
    MainWindow window;
    AppCore app{{dialogs, window, clock, pump, link, audio}};
};

QChar mnemonic(const char *caption)
{
    const QString c = QString::fromLatin1(caption);
    const qsizetype at = c.indexOf('&');
    return at >= 0 && at + 1 < c.size() ? c[at + 1].toUpper() : QChar();
}

// Every item below `items`: one mnemonic per letter in each menu and, where `commands` is
// given, a handler for each leaf.
void checkMenu(const std::vector<MenuItem> &items, const CommandTable *commands, QStringList &bad)
{
    QSet<QChar> letters;
    for (const MenuItem &item : items) {
        if (QLatin1String(item.caption) == QLatin1String("-"))
            continue;
        const QChar m = mnemonic(item.caption);
        if (!m.isNull() && letters.contains(m))
            bad << QStringLiteral("mnemonic %1 twice at %2").arg(m).arg(item.name);
        letters.insert(m);
        if (commands && item.children.empty() && !commands->has(QString::fromLatin1(item.name)))
            bad << QStringLiteral("no handler for %1").arg(item.name);
        checkMenu(item.children, commands, bad);
    }
}

} // namespace

class TestServiceWindow : public QObject
{
    Q_OBJECT
private slots:
    void serviceMenusAreComplete();
    void continuousTestStopButton();
    void closingTheWindowEndsTheTest();
    void console();
};

void TestServiceWindow::serviceMenusAreComplete()
{
    WindowRig rig(DigitizerModel::Fastrak, 1);
    QStringList bad;
    QSet<QChar> bar;
    for (const MenuItem &top : mainMenuLayout()) {
        const QChar m = mnemonic(top.caption);
        if (bar.contains(m))
            bad << QStringLiteral("menu bar mnemonic %1 twice").arg(m);
        bar.insert(m);
        const bool service = ShellController::ServiceMenus.contains(QString::fromLatin1(top.name));
        checkMenu(top.children, service ? &rig.app.commands : nullptr, bad);
    }
    QVERIFY2(bad.isEmpty(), qPrintable(bad.join("; ")));
    for (const QString &menu : ShellController::ServiceMenus)
        QVERIFY2(rig.window.action(menu) && rig.window.action(menu)->isVisible(), qPrintable(menu));
    rig.app.shell.setServiceMode(false);
    rig.window.syncFromState();
    for (const QString &menu : ShellController::ServiceMenus)
        QVERIFY(!rig.window.action(menu)->isVisible());
}

void TestServiceWindow::continuousTestStopButton()
{
    WindowRig rig(DigitizerModel::Fastrak, 1);
    const int sentBefore = rig.emu.recordsSent();
    rig.pressAfter(400);
    QVERIFY(rig.window.invoke("menuFStartDigitizing"));
    StreamWindow *w = rig.open<StreamWindow>();
    QVERIFY(w && w->isModal());
    // Records arrive while the event loop runs: nothing waits inside a handler.
    QTRY_VERIFY_WITH_TIMEOUT(w->recordsShown() >= 5, 8000);
    QTest::mouseClick(w->stopButton(), Qt::LeftButton);
    const int sent = rig.emu.recordsSent() - sentBefore;
    QCOMPARE(w->recordsShown(), sent);
    QCOMPARE(rig.dialogs.texts().last(),
             QStringLiteral("Digitizing Stopped - Total points %1").arg(sent));
    QCOMPARE(w->findChild<QLabel *>("StreamStatus")->text(),
             QStringLiteral("Stopped: %1 records").arg(sent));
    const QString shown = w->findChild<QPlainTextEdit *>("StreamRecords")->toPlainText();
    QCOMPARE(int(shown.count("Stylus: ")), sent);
    QCOMPARE(int(shown.count("Receiver 1: ")), sent);
    QVERIFY(!rig.link.isOpen());
    QCOMPARE(w->stopButton()->text(), QStringLiteral("&Close"));
    QTest::mouseClick(w->stopButton(), Qt::LeftButton);
    QTRY_VERIFY(!rig.open<StreamWindow>());
}

void TestServiceWindow::closingTheWindowEndsTheTest()
{
    WindowRig rig(DigitizerModel::Fastrak, 3);
    rig.pressAfter(300);
    QVERIFY(rig.window.invoke("menuFStartDigitizing"));
    QVERIFY(rig.open<StreamWindow>());
    QTRY_VERIFY_WITH_TIMEOUT(rig.open<StreamWindow>()->recordsShown() >= 2, 8000);
    rig.open<StreamWindow>()->close();
    QTRY_VERIFY(!rig.open<StreamWindow>());
    QCOMPARE(rig.app.menus.service.monitor()->ending(), StreamMonitor::Ending::Stopped);
    QVERIFY(rig.dialogs.texts().last().startsWith("Digitizing Stopped - Total points "));
    // A second test can start once the first has ended.
    QVERIFY(rig.window.invoke("menuFStartDigitizing"));
    QVERIFY(rig.open<StreamWindow>());
    rig.open<StreamWindow>()->close();
    QTRY_VERIFY(!rig.open<StreamWindow>());
}

void TestServiceWindow::console()
{
    WindowRig rig(DigitizerModel::Fastrak, 1);
    QVERIFY(rig.window.invoke("menuConsole"));
    ConsoleWindow *c = rig.open<ConsoleWindow>();
    QVERIFY(c);
    QVERIFY(c->commandBox()->findText("O1") >= 0);
    c->commandBox()->setCurrentText("O1");
    QTest::mouseClick(c->sendButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(c->transcriptView()->toPlainText().contains("  21O2,1<CR><LF>"), 5000);
    QTRY_VERIFY(!rig.link.isOpen());
    // Return sends as well.
    c->commandBox()->setCurrentText("l2");
    // As the keyboard delivers it: to the box, which hands it to its line edit.
    QTest::keyClick(c->commandBox(), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(c->transcriptView()->toPlainText().contains("  22l1111<CR><LF>"),
                             5000);
    c->close();
    QTRY_VERIFY(!rig.open<ConsoleWindow>());
    QVERIFY(rig.dialogs.shown.isEmpty());
}

QTEST_MAIN(TestServiceWindow)
#include "tst_service_window.moc"

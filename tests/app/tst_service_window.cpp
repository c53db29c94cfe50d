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
    explicit WindowRig(int receivers)
        : emu({DigitizerModel::Fastrak, receivers, 0.0, 9}), link(emu, clock)
    {
        app.ws.settings = {DigitizerModel::Fastrak, "TEVO", "Period", "0,0,1", 1, "OFF"};
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

// Every item of the service menus has a handler; the menus show in service mode only.
void TestServiceWindow::serviceMenusAreComplete()
{
    WindowRig rig(1);
    std::function<void(const std::vector<MenuItem> &)> check = [&](const auto &items) {
        for (const MenuItem &item : items) {
            if (item.children.empty() && QLatin1String(item.caption) != QLatin1String("-"))
                QVERIFY2(rig.app.commands.has(QString::fromLatin1(item.name)), item.name);
            check(item.children);
        }
    };
    for (const MenuItem &top : mainMenuLayout())
        if (ShellController::ServiceMenus.contains(QString::fromLatin1(top.name)))
            check(top.children);
    for (const QString &menu : ShellController::ServiceMenus)
        QVERIFY2(rig.window.action(menu) && rig.window.action(menu)->isVisible(), qPrintable(menu));
    rig.app.shell.setServiceMode(false);
    rig.window.syncFromState();
    for (const QString &menu : ShellController::ServiceMenus)
        QVERIFY(!rig.window.action(menu)->isVisible());
}

void TestServiceWindow::continuousTestStopButton()
{
    WindowRig rig(1);
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
    WindowRig rig(3);
    rig.pressAfter(300);
    QVERIFY(rig.window.invoke("menuFStartDigitizing") && rig.open<StreamWindow>());
    QTRY_VERIFY_WITH_TIMEOUT(rig.open<StreamWindow>()->recordsShown() >= 2, 8000);
    rig.open<StreamWindow>()->close();
    QTRY_VERIFY(!rig.open<StreamWindow>());
    QCOMPARE(rig.app.menus.service.monitor()->ending(), StreamMonitor::Ending::Stopped);
    QVERIFY(rig.dialogs.texts().last().startsWith("Digitizing Stopped - Total points "));
    // A second test can start once the first has ended.
    QVERIFY(rig.window.invoke("menuFStartDigitizing") && rig.open<StreamWindow>());
    rig.open<StreamWindow>()->close();
    QTRY_VERIFY(!rig.open<StreamWindow>());
}

void TestServiceWindow::console()
{
    WindowRig rig(1);
    QVERIFY(rig.window.invoke("menuConsole"));
    ConsoleWindow *c = rig.open<ConsoleWindow>();
    QVERIFY(c && c->commandBox()->findText("O1") >= 0);
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

#include "data/electrode_file.h"
#include "display/view_controls.h"
#include "pixels.h"
#include "rig.h"

#include <QTest>

using namespace ViewControls;

class TestDisplayCommands : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void displayMenu_data();
    void displayMenu();
    void labelOptionInShapeMode_data();
    void labelOptionInShapeMode();
    void viewButtonsHomeAndClear();
    void wizardSteps();
    void exportPicture_data();
    void exportPicture();

private:
    bool invoke(const QString &control) { return rig->invoke(control); }
    UiState::Control control(const QString &name) const { return rig->ui.value(name); }
    // The view buttons, all on or all off.
    bool buttonsEnabled() const
    {
        std::size_t on = 0;
        for (const Button &b : Buttons)
            on += control(b.name).enabled ? 1 : 0;
        Q_ASSERT(on == 0 || on == Buttons.size());
        return on > 0;
    }
    PointView &view() { return rig->app.menus.display.view(); }
    ViewState &state() { return view().state(); }
    QString content() { return QStringList{"empty", "cube", "scene"}[int(view().content())]; }
    void load(const QString &data);

    std::unique_ptr<Rig> rig;
};

void TestDisplayCommands::init()
{
    rig = std::make_unique<Rig>();
    rig->start();
}

// Loads "electrodes" (Fz, C3, C4), "shape" (four points) or "receiversN" (N stations).
void TestDisplayCommands::load(const QString &data)
{
    Workspace &ws = rig->ws;
    if (data == "electrodes") {
        ws.sensors.NumSensors = 3;
        ws.meas.resize(3);
        ws.meas.Fid = {Point3(0.095, 0, 0), Point3(0, 0.075, 0), Point3(0, -0.075, 0)};
        ws.meas.Name = namesAsFixed8({"Fz", "C3", "C4"});
        ws.meas.Type = {"400", "400", "400"};
        ws.meas.Pos = {Point3(0.05, 0, 0.08), Point3(0, 0.06, 0.07), Point3(0, -0.06, 0.07)};
    } else if (data == "shape") {
        ws.ShapeFid = {Point3(0.09, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)};
        ws.ShapePos = {Point3(0.03, 0.03, 0.09), Point3(-0.03, 0.03, 0.09),
                       Point3(-0.03, -0.03, 0.09), Point3(0.03, -0.03, 0.09)};
        ws.NumShapePoints = 4;
    } else if (data.startsWith("receivers")) {
        ws.ReceiverCount = data.mid(9).toInt();
        ws.ReceiverFid.clear();
        for (int k = 0; k < ws.ReceiverCount; ++k)
            ws.ReceiverFid.push_back({Point3(0.1 + k * 0.01, 0.02, 0.01), Point3(0.01, 0.08, 0),
                                      Point3(0.01, -0.07, 0)});
    }
}

void TestDisplayCommands::displayMenu_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("displaySet");
    QTest::addColumn<QString>("content");
    // clang-format off
    QTest::newRow("dewar, nothing") << "menuDDewar" << "" << "No data to display" << "" << 0 << "empty";
    QTest::newRow("dewar, electrodes only") << "menuDDewar" << "electrodes" << "No data to display" << "" << 0 << "empty";
    QTest::newRow("dewar, shape points") << "menuDDewar" << "shape" << "" << "Display of dewar data" << 1 << "empty";
    QTest::newRow("calibration, nothing") << "menuDCalibration" << "" << "No data to display" << "" << 0 << "empty";
    QTest::newRow("calibration, sensors") << "menuDCalibration" << "electrodes" << "" << "Display of calibration data" << 0 << "empty";
    QTest::newRow("fiducials, no receivers") << "menuDFiducials" << "receivers0" << "No data to display" << "" << 0 << "empty";
    QTest::newRow("fiducials, two stations") << "menuDFiducials" << "receivers2" << "" << "Display of fiducials data" << 3 << "scene";
    QTest::newRow("fiducials, not chosen") << "menuDFiducials" << "receivers-1" << "" << "Display of fiducials data" << 3 << "scene";
    QTest::newRow("probe, nothing") << "menuDProbe" << "shape" << "No data to display" << "" << 0 << "empty";
    QTest::newRow("probe, sensors") << "menuDProbe" << "electrodes" << "" << "Display of probe data" << 4 << "scene";
    QTest::newRow("electrodes, nothing") << "menuDisplayEProbe" << "shape" << "No data to display" << "" << 0 << "empty";
    QTest::newRow("electrodes") << "menuDisplayEProbe" << "electrodes" << "" << "Electrodes" << 6 << "scene";
    QTest::newRow("shape, nothing") << "menuDShape" << "electrodes" << "No data to display" << "" << 0 << "empty";
    QTest::newRow("shape") << "menuDShape" << "shape" << "" << "Shape" << 5 << "scene";
    // clang-format on
}

void TestDisplayCommands::displayMenu()
{
    QFETCH(QString, command);
    QFETCH(QString, data);
    QFETCH(QString, message);
    rig->ws.ReceiverCount = 0;
    load(data);
    QVERIFY(invoke(command));
    QCOMPARE(rig->dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QTEST(control(DisplayCaption).text, "caption");
    QTEST(state().DisplaySet, "displaySet");
    QTEST(content(), "content");
    QCOMPARE(control(Picture).visible, message.isEmpty());
    QCOMPARE(control(DisplayPanel).visible, message.isEmpty());
}

void TestDisplayCommands::labelOptionInShapeMode_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("shapePoints");
    QTest::addColumn<QString>("prompt"); // its start
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("displaying"); // "Display" selected, buttons acting
    // Each model's button as it works: the ISOTRAK streams while held, the others toggle.
    const QString isotrak = "Press and hold", fastrak = "Press the stylus button once";
    // clang-format off
    QTest::newRow("ISOTRAK digitize") << "ISOTRAK" << 0 << true  << isotrak << "" << false;
    QTest::newRow("FASTRAK digitize") << "FASTRAK" << 0 << true  << fastrak << "" << false;
    QTest::newRow("PATRIOT digitize") << "PATRIOT" << 0 << true  << fastrak << "" << false;
    QTest::newRow("display")          << "FASTRAK" << 1 << true  << "Displaying digitized points" << "" << true;
    QTest::newRow("display, empty")   << "FASTRAK" << 1 << false << ""      << "No values to display" << false;
    // clang-format on
}

void TestDisplayCommands::labelOptionInShapeMode()
{
    QFETCH(QString, model);
    QFETCH(int, index);
    QFETCH(bool, shapePoints);
    QFETCH(QString, message);
    QFETCH(bool, displaying);
    rig->ws.settings.Digitizer = modelFromName(model);
    if (shapePoints)
        load("shape");
    rig->app.menus.display.enterShapeMode();
    rig->app.menus.display.displayShape();
    rig->ui.setText(Prompt, QString());
    QVERIFY(invoke(labelOption(index)));
    QFETCH(QString, prompt);
    QCOMPARE(control(Prompt).text.left(prompt.isEmpty() ? 1 : prompt.size()), prompt);
    QCOMPARE(rig->dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(state().HoldActive, displaying ? 1 : 0);
    QCOMPARE(buttonsEnabled(), displaying);
    QCOMPARE(control(labelOption(1)).checked, displaying);
    QVERIFY(!view().labelsShown()); // the head-shape options never show electrode labels
}

// A fixed view ignores Home; on the electrodes the buttons turn the way of the coordinate
// system in use and Home goes back; an opened file shows at once; Clear hides it all.
void TestDisplayCommands::viewButtonsHomeAndClear()
{
    load("receivers2");
    rig->ws.ReceiverFid[1] = zeroFids();
    invoke("menuDFiducials"); // does not make the buttons act
    QCOMPARE(rig->dialogs.texts().size(), 1);
    QVERIFY(rig->dialogs.texts().first().startsWith("Station 2")); // no frame for it
    state().ViewAzimuth = 200;
    invoke("cmdHome");
    QCOMPARE(state().ViewAzimuth, 200);
    load("electrodes");
    invoke("menuDisplayEProbe");
    Workspace other;
    other.settings = rig->ws.settings;
    other.tevo = rig->ws.meas;
    other.sensors.NumSensors = 2;
    WriteElectrodeFile(rig->home.path("two.elp"), other);
    QVERIFY(rig->app.menus.files.openPath(rig->home.path("two.elp")));
    QCOMPARE(view().scene().points.size(), std::size_t(2));
    QCOMPARE(state().DisplaySet, 6);
    rig->ws.settings.CoordinateSystem = "BESA";
    view().press(ViewButtons::Left);
    view().release(ViewButtons::Left + 1);
    QCOMPARE(state().ViewAzimuth, 179);
    view().press(ViewButtons::ZoomIn);
    view().release(ViewButtons::ZoomIn + 1);
    invoke("cmdHome");
    QCOMPARE(state().ViewAzimuth, 180);
    QCOMPARE(state().PlotScale, 150.0);
    QCOMPARE(content(), QStringLiteral("scene"));

    invoke("LabelOption(1)");
    for (const QString &b : DisplayCommands::WizardButtons)
        rig->ui.setEnabled(b, true);
    view().press(ViewButtons::Left);
    QVERIFY(view().hold().isRepeating());
    invoke("menuDClear");
    for (const QString &c : {DisplayPanel, PromptPanel, Picture, Prompt})
        QVERIFY2(!control(c).visible, qPrintable(c));
    for (const QString &b : DisplayCommands::WizardButtons)
        QVERIFY2(!control(b).enabled, qPrintable(b));
    QVERIFY(!buttonsEnabled() && !view().labelsShown() && !view().hold().isRepeating());
    const int azimuth = state().ViewAzimuth;
    view().press(ViewButtons::Left);
    QCOMPARE(state().ViewAzimuth, azimuth);

    // The dewar is told at the next step of the plot, which ends the hold.
    load("shape");
    rig->dialogs.clear();
    invoke("menuDShape");
    invoke("menuDDewar");
    QVERIFY(rig->dialogs.texts().isEmpty());
    view().press(ViewButtons::Up);
    QCOMPARE(rig->dialogs.texts(), QStringList{"Drawing dewar data..."});
    QCOMPARE(state().ViewElevation, -89);
    QVERIFY(!view().hold().isRepeating());
    view().renderNow();
    QVERIFY(view().lastDraw().dewarMessage);
}

// The measurement steps: electrodes with labels, then the head shape by the option chosen.
void TestDisplayCommands::wizardSteps()
{
    DisplayCommands &display = rig->app.menus.display;
    load("electrodes");
    display.displayElectrodes(true);
    QVERIFY(view().labelsShown() && control(labelOption(1)).checked);
    // A point digitized again keeps the operator's view.
    view().press(ViewButtons::Left);
    view().release(ViewButtons::Left + 1);
    display.displayElectrodes(true);
    QCOMPARE(state().ViewAzimuth, 181);

    load("shape");
    invoke("menuDClear");
    display.enterShapeMode();
    display.displayShape();
    QCOMPARE(state().DisplaySet, 5);
    QVERIFY(!buttonsEnabled() && control(OptionPanel).visible);
    view().setShapeSequences({0, 2}, 2);
    // New points keep the sequences on display.
    rig->ws.ShapePos.push_back(Point3(0, 0, 0.1));
    rig->ws.NumShapePoints = 5;
    display.dataChanged();
    QCOMPARE(view().scene().points.size(), std::size_t(5));
    QCOMPARE(view().scene().sequenceStarts, (std::vector<int>{0, 2}));
    QCOMPARE(view().scene().selectedSequence, 2);
    QVERIFY(view().renderPending());
}

void TestDisplayCommands::exportPicture_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("message");
    // clang-format off
    QTest::newRow("written")            << "written"   << "";
    QTest::newRow("nothing on display") << "cleared"   << "There is no picture to export.";
    QTest::newRow("no such folder")     << "nofolder"  << "Cannot write";
    QTest::newRow("read-only file")     << "readonly"  << "is read-only; nothing was written.";
    QTest::newRow("keep existing")      << "declined"  << "Do you want to overwrite existing file?";
    // clang-format on
}

void TestDisplayCommands::exportPicture()
{
    QFETCH(QString, situation);
    QFETCH(QString, message);
    load("electrodes");
    invoke("menuDisplayEProbe");
    invoke("LabelOption(1)");
    if (situation == "cleared")
        invoke("menuDClear");
    const QString old = rig->home.write("old.png", "not a picture");
    if (situation == "readonly")
        QFile::setPermissions(old, QFile::ReadOwner);
    rig->dialogs.fileAnswers.enqueue(situation == "nofolder"  ? rig->home.path("missing/view.png")
                                     : situation == "written" ? rig->home.path("view")
                                                              : old);
    rig->dialogs.answers.enqueue(situation == "readonly" ? Dialogs::Answer::Yes
                                                         : Dialogs::Answer::No);
    QCOMPARE(rig->app.menus.display.exportPicture(), message.isEmpty());
    QCOMPARE(rig->home.read("old.png"), QByteArray("not a picture"));
    QVERIFY(!QFile::exists(rig->home.path("missing/view.png")));
    if (!message.isEmpty()) {
        QVERIFY2(rig->dialogs.texts().last().contains(message),
                 qPrintable(rig->dialogs.texts().join('|')));
        return;
    }
    QVERIFY(rig->dialogs.texts().isEmpty());
    const QImage written(rig->home.path("view.png"));
    QCOMPARE(written.size(), view().plotSize());
    // The picture carries the labels on show, which the plot leaves to its labels.
    QVERIFY(Pixels::nonWhite(written) > Pixels::nonWhite(view().image()));
    QCOMPARE(written.convertToFormat(QImage::Format_RGB32), view().picture());
}

QTEST_MAIN(TestDisplayCommands)
#include "tst_display_commands.moc"

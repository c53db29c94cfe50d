#include "commands/command_set.h"
#include "commands/display_commands.h"
#include "data/electrode_file.h"
#include "data/workspace.h"
#include "display/points_table_model.h"
#include "display/view_controls.h"
#include "temp_home.h"

#include <QFile>
#include <QImageReader>
#include <QSignalSpy>
#include <QTest>

class TestDisplayCommands : public QObject
{
    Q_OBJECT
private slots:
    void displayMenuChecks_data();
    void displayMenuChecks();
    void electrodesTurnButtonsOnWithLabelsOff();
    void shapeHidesTheLabelGroup();
    void dewarIsToldAtTheNextStep();
    void calibrationLeavesThePlotEmpty();
    void fiducialSetsWithoutAFrameAreTold();
    void clearHidesTheDisplayAndStopsTheButtons();
    void showDisplayDrawsTheCubeAlone();
    void labelOptionInLabelMode_data();
    void labelOptionInLabelMode();
    void labelOptionInShapeMode_data();
    void labelOptionInShapeMode();
    void buttonsTurnByTheCoordinateSystem_data();
    void buttonsTurnByTheCoordinateSystem();
    void homeActsOnlyWhileHolding();
    void visualizeChecksOneItem();
    void stepsEndInOneBatchedRender();
    void pointsTableFollowsTheDisplayedSet();
    void openingAFileRefreshesTheDisplay();
    void wizardShowsElectrodesWithLabels();
    void wizardShapeModeFollowsTheOption();
    void exportWritesThePicture();
    void exportRefusals_data();
    void exportRefusals();
};

namespace {
using namespace ViewControls;

struct Rig
{
    Rig()
    {
        display.registerCommands(base.commands);
        base.ws.settings.CoordinateSystem = QStringLiteral("TEVO");
    }
    bool invoke(const QString &control) { return base.invoke(control); }
    UiState::Control control(const QString &name) const { return base.ui.value(name); }
    ViewState &state() { return display.view().state(); }

    TestRig base;
    DisplayCommands display{base.session};
};

void loadElectrodes(Workspace &ws)
{
    ws.sensors.NumSensors = 3;
    ws.meas.resize(3);
    ws.meas.Fid = {Point3(0.095, 0, 0), Point3(0, 0.075, 0), Point3(0, -0.075, 0)};
    ws.meas.Name =
        namesAsFixed8({QStringLiteral("Fz"), QStringLiteral("C3"), QStringLiteral("C4")});
    ws.meas.Type = {QStringLiteral("400"), QStringLiteral("400"), QStringLiteral("400")};
    ws.meas.Pos = {Point3(0.05, 0, 0.08), Point3(0, 0.06, 0.07), Point3(0, -0.06, 0.07)};
}

void loadShape(Workspace &ws)
{
    ws.ShapeFid = {Point3(0.09, 0, 0), Point3(0, 0.07, 0), Point3(0, -0.07, 0)};
    ws.ShapePos = {Point3(0.03, 0.03, 0.09), Point3(-0.03, 0.03, 0.09), Point3(-0.03, -0.03, 0.09),
                   Point3(0.03, -0.03, 0.09)};
    ws.NumShapePoints = 4;
}

void loadReceivers(Workspace &ws, int count)
{
    ws.ReceiverCount = count;
    ws.ReceiverFid.clear();
    for (int k = 0; k < count; ++k)
        ws.ReceiverFid.push_back(
            {Point3(0.1 + k * 0.01, 0.02, 0.01), Point3(0.01, 0.08, 0), Point3(0.01, -0.07, 0)});
}

void load(Workspace &ws, const QString &data)
{
    if (data == QLatin1String("electrodes"))
        loadElectrodes(ws);
    else if (data == QLatin1String("shape"))
        loadShape(ws);
    else if (data.startsWith(QLatin1String("receivers")))
        loadReceivers(ws, data.mid(9).toInt());
}

int nonWhite(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) != qRgb(255, 255, 255);
    return n;
}

bool buttonsEnabled(const Rig &rig)
{
    bool all = true, any = false;
    for (const Button &b : Buttons) {
        const bool on = rig.control(QString::fromLatin1(b.name)).enabled;
        all = all && on;
        any = any || on;
    }
    Q_ASSERT(all == any);
    return all;
}

const QString Content[] = {QStringLiteral("empty"), QStringLiteral("cube"),
                           QStringLiteral("scene")};
QString contentOf(const PointView &view)
{
    return Content[int(view.content())];
}
} // namespace

void TestDisplayCommands::displayMenuChecks_data()
{
    QTest::addColumn<QString>("control");
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

void TestDisplayCommands::displayMenuChecks()
{
    QFETCH(QString, control);
    QFETCH(QString, data);
    QFETCH(QString, message);
    QFETCH(QString, caption);
    QFETCH(int, displaySet);
    QFETCH(QString, content);
    Rig rig;
    rig.base.ws.ReceiverCount = 0;
    load(rig.base.ws, data);
    QVERIFY(rig.invoke(control));
    QCOMPARE(rig.base.dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(rig.control(DisplayCaption).text, caption);
    QCOMPARE(rig.state().DisplaySet, displaySet);
    QCOMPARE(contentOf(rig.display.view()), content);
    const bool accepted = message.isEmpty();
    QCOMPARE(rig.control(Picture).visible, accepted);
    QCOMPARE(rig.control(DisplayPanel).visible, accepted);
    if (accepted) {
        const QSize plot = rig.display.view().plotSize();
        QCOMPARE(rig.state().ViewAzimuth, 180);
        QCOMPARE(rig.state().ViewElevation, -90);
        QCOMPARE(rig.state().PlotScale, 150.0);
        QCOMPARE(rig.state().PlotOffsetX, plot.width() * 15 / 2.0);
        QCOMPARE(rig.state().PlotOffsetY, plot.height() * 15 / 2.0);
    }
}

void TestDisplayCommands::electrodesTurnButtonsOnWithLabelsOff()
{
    Rig rig;
    loadElectrodes(rig.base.ws);
    QVERIFY(!buttonsEnabled(rig));
    rig.invoke("menuDisplayEProbe");
    QCOMPARE(rig.state().HoldActive, 1);
    QVERIFY(buttonsEnabled(rig));
    QCOMPARE(rig.control(OptionCaption).text, QStringLiteral("Labels"));
    QCOMPARE(rig.control(labelOption(1)).text, QStringLiteral("ON"));
    QCOMPARE(rig.control(labelOption(0)).text, QStringLiteral("OFF"));
    QVERIFY(!rig.control(labelOption(1)).checked);
    QVERIFY(rig.control(labelOption(0)).checked);
    QVERIFY(rig.control(OptionPanel).visible);
    QVERIFY(!rig.control(PromptPanel).visible);
    QVERIFY(!rig.display.view().labelsShown());
    rig.display.view().renderNow();
    const auto &labels = rig.display.view().lastDraw().labels;
    QCOMPARE(labels.size(), std::size_t(3));
    QCOMPARE(labels[1].caption, QStringLiteral("  C3      "));
}

void TestDisplayCommands::shapeHidesTheLabelGroup()
{
    Rig rig;
    loadElectrodes(rig.base.ws);
    loadShape(rig.base.ws);
    rig.invoke("menuDisplayEProbe");
    rig.invoke("LabelOption(1)");
    QVERIFY(rig.display.view().labelsShown());
    rig.base.ui.setVisible(PicturePrompt, true);
    rig.invoke("menuDShape");
    QVERIFY(!rig.display.view().labelsShown());
    QVERIFY(!rig.control(OptionPanel).visible);
    QVERIFY(!rig.control(PicturePrompt).visible);
    QCOMPARE(rig.state().HoldActive, 1);
    QVERIFY(buttonsEnabled(rig));
    rig.display.view().renderNow();
    QVERIFY(rig.display.view().lastDraw().labels.empty());
}

void TestDisplayCommands::dewarIsToldAtTheNextStep()
{
    Rig rig;
    loadShape(rig.base.ws);
    rig.invoke("menuDShape"); // the buttons act on the plot from here on
    rig.invoke("menuDDewar");
    QVERIFY(rig.base.dialogs.texts().isEmpty());
    QCOMPARE(contentOf(rig.display.view()), QStringLiteral("empty"));
    rig.display.view().press(ViewButtons::Up);
    QCOMPARE(rig.base.dialogs.texts(), QStringList{"Drawing dewar data..."});
    QCOMPARE(rig.base.dialogs.shown.first().title, Dialogs::DefaultTitle);
    QCOMPARE(rig.state().ViewElevation, -89);
    // The message ends the hold: no further steps while the box is up.
    QVERIFY(!rig.display.view().hold().isRepeating());
    rig.display.view().renderNow();
    QVERIFY(rig.display.view().lastDraw().dewarMessage);
}

void TestDisplayCommands::calibrationLeavesThePlotEmpty()
{
    Rig rig;
    loadElectrodes(rig.base.ws);
    rig.invoke("menuDisplayEProbe");
    rig.display.view().renderNow();
    QVERIFY(nonWhite(rig.display.view().image()) > 0);
    rig.invoke("menuDCalibration");
    rig.display.view().renderNow();
    QCOMPARE(nonWhite(rig.display.view().image()), 0);
    QCOMPARE(rig.state().DisplaySet, 6);
    QVERIFY(rig.display.view().lastDraw().labels.empty());
}

void TestDisplayCommands::fiducialSetsWithoutAFrameAreTold()
{
    Rig rig;
    loadReceivers(rig.base.ws, 2);
    rig.base.ws.ReceiverFid[1] = zeroFids();
    rig.invoke("menuDFiducials");
    QCOMPARE(rig.base.dialogs.texts().size(), 1);
    QVERIFY(rig.base.dialogs.texts().first().startsWith("Station 2"));
}

void TestDisplayCommands::clearHidesTheDisplayAndStopsTheButtons()
{
    Rig rig;
    loadElectrodes(rig.base.ws);
    rig.invoke("menuDisplayEProbe");
    rig.invoke("LabelOption(1)");
    for (const QString &b : DisplayCommands::WizardButtons)
        rig.base.ui.setEnabled(b, true);
    rig.display.view().press(ViewButtons::Left);
    QVERIFY(rig.display.view().hold().isRepeating());
    const int azimuth = rig.state().ViewAzimuth;

    rig.invoke("menuDClear");
    for (const QString &c : {DisplayPanel, PromptPanel, Picture, Prompt})
        QVERIFY2(!rig.control(c).visible, qPrintable(c));
    for (const QString &b : DisplayCommands::WizardButtons)
        QVERIFY2(!rig.control(b).enabled, qPrintable(b));
    QVERIFY(!buttonsEnabled(rig));
    QVERIFY(!rig.display.view().labelsShown());
    QVERIFY(!rig.display.view().hold().isRepeating());
    rig.display.view().press(ViewButtons::Left);
    QCOMPARE(rig.state().ViewAzimuth, azimuth);
    QVERIFY(rig.base.dialogs.texts().isEmpty());
}

void TestDisplayCommands::showDisplayDrawsTheCubeAlone()
{
    Rig rig;
    loadElectrodes(rig.base.ws);
    rig.invoke("menuShowDisplay");
    QVERIFY(rig.control(Picture).visible);
    QVERIFY(rig.control(DisplayPanel).visible);
    QVERIFY(!rig.control(PromptPanel).visible);
    PointView &view = rig.display.view();
    view.renderNow();
    const Projection projection(view.state());
    // Half way along the x axis (blue in a full redraw) and on the cube's front edge.
    const QPoint axis = projection.toPixels(Point3(5, 0, 0))->toPoint();
    const QPoint edge = projection.toPixels(Point3(10, 0, -10))->toPoint();
    QCOMPARE(view.image().pixelColor(axis), QColor(Qt::white));
    QVERIFY(view.image().pixelColor(edge) != QColor(Qt::white));
    view.redraw();
    view.renderNow();
    QCOMPARE(view.image().pixelColor(axis), QColor(0, 0, 255));
}

void TestDisplayCommands::labelOptionInLabelMode_data()
{
    QTest::addColumn<bool>("electrodes");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<bool>("onSelected");
    QTest::addColumn<bool>("labelsShown");
    // clang-format off
    QTest::newRow("ON shows")            << true  << QList<int>{1}    << true  << true;
    QTest::newRow("OFF after ON hides")  << true  << QList<int>{1, 0} << false << false;
    QTest::newRow("ON twice")            << true  << QList<int>{1, 1} << true  << true;
    QTest::newRow("no electrodes")       << false << QList<int>{1}    << false << false;
    // clang-format on
}

void TestDisplayCommands::labelOptionInLabelMode()
{
    QFETCH(bool, electrodes);
    QFETCH(QList<int>, clicks);
    QFETCH(bool, onSelected);
    QFETCH(bool, labelsShown);
    Rig rig;
    loadElectrodes(rig.base.ws);
    rig.invoke("menuDisplayEProbe");
    if (!electrodes)
        rig.base.ws.sensors.NumSensors = 0;
    PointView &view = rig.display.view();
    view.renderNow();
    QSignalSpy rendered(&view, &PointView::rendered);
    for (int index : clicks)
        rig.invoke(labelOption(index));
    QCOMPARE(rig.control(labelOption(1)).checked, onSelected);
    QCOMPARE(rig.control(labelOption(0)).checked, !onSelected);
    QCOMPARE(view.labelsShown(), labelsShown);
    // Labels come and go without a redraw.
    QVERIFY(!view.renderPending());
    QCOMPARE(rendered.count(), 0);
}

void TestDisplayCommands::labelOptionInShapeMode_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("shapePoints");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("holdActive");
    QTest::addColumn<bool>("displaySelected");
    const QString cr(QChar(13));
    const QString isotrak = "Press the stylus button once" + cr +
                            "to start a digitization sequence," + cr +
                            "and press it again to stop.";
    const QString fastrak = "Press and hold the stylus button to start and" + cr +
                            "perform a digitization sequence," + cr + "release the button to stop";
    // clang-format off
    QTest::newRow("ISOTRAK digitize") << "ISOTRAK" << 0 << true  << isotrak << "" << 0 << false;
    QTest::newRow("FASTRAK digitize") << "FASTRAK" << 0 << true  << fastrak << "" << 0 << false;
    QTest::newRow("PATRIOT digitize") << "PATRIOT" << 0 << true  << ""      << "" << 0 << false;
    QTest::newRow("display")          << "FASTRAK" << 1 << true  << "Displaying digitized points" << "" << 1 << true;
    QTest::newRow("display, empty")   << "FASTRAK" << 1 << false << ""      << "No values to display" << 0 << false;
    // clang-format on
}

void TestDisplayCommands::labelOptionInShapeMode()
{
    QFETCH(QString, model);
    QFETCH(int, index);
    QFETCH(bool, shapePoints);
    QFETCH(QString, prompt);
    QFETCH(QString, message);
    QFETCH(int, holdActive);
    QFETCH(bool, displaySelected);
    Rig rig;
    rig.base.ws.settings.Digitizer = modelFromName(model);
    if (shapePoints)
        loadShape(rig.base.ws);
    rig.display.enterShapeMode();
    rig.display.displayShape();
    QCOMPARE(rig.control(labelOption(1)).text, QStringLiteral("Display"));
    QCOMPARE(rig.control(labelOption(0)).text, QStringLiteral("Digitize"));
    QVERIFY(rig.control(OptionPanel).visible);
    rig.base.ui.setText(Prompt, QString());

    QVERIFY(rig.invoke(labelOption(index)));
    QCOMPARE(rig.control(Prompt).text, prompt);
    QCOMPARE(rig.base.dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(rig.state().HoldActive, holdActive);
    QCOMPARE(buttonsEnabled(rig), holdActive == 1);
    QCOMPARE(rig.control(labelOption(1)).checked, displaySelected);
    QCOMPARE(rig.control(labelOption(0)).checked, !displaySelected);
    // The head-shape options never show electrode labels.
    QVERIFY(!rig.display.view().labelsShown());
}

void TestDisplayCommands::buttonsTurnByTheCoordinateSystem_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<int>("left");
    // clang-format off
    QTest::newRow("TEVO")  << "TEVO"  << 181;
    QTest::newRow("BESA")  << "BESA"  << 179;
    QTest::newRow("Curry") << "Curry" << 179;
    // clang-format on
}

void TestDisplayCommands::buttonsTurnByTheCoordinateSystem()
{
    QFETCH(QString, system);
    QFETCH(int, left);
    Rig rig;
    loadElectrodes(rig.base.ws);
    rig.invoke("menuDisplayEProbe");
    rig.base.ws.settings.CoordinateSystem = system;
    rig.display.view().press(ViewButtons::Left);
    rig.display.view().release(ViewButtons::Left + 1);
    QCOMPARE(rig.state().ViewAzimuth, left);
    QCOMPARE(rig.state().HoldCode, 2);
}

void TestDisplayCommands::homeActsOnlyWhileHolding()
{
    Rig rig;
    loadReceivers(rig.base.ws, 1);
    rig.invoke("menuDFiducials"); // does not make the buttons act
    rig.state().ViewAzimuth = 200;
    rig.invoke("cmdHome");
    QCOMPARE(rig.state().ViewAzimuth, 200);
    loadElectrodes(rig.base.ws);
    rig.invoke("menuDisplayEProbe");
    PointView &view = rig.display.view();
    view.press(ViewButtons::ZoomIn);
    view.release(ViewButtons::ZoomIn + 1);
    view.press(ViewButtons::PlotLeft);
    view.release(ViewButtons::PlotLeft + 1);
    rig.invoke("cmdHome");
    QCOMPARE(rig.state().PlotScale, 150.0);
    QCOMPARE(rig.state().PlotOffsetX, view.plotSize().width() * 15 / 2.0);
    QCOMPARE(contentOf(view), QStringLiteral("scene"));
}

void TestDisplayCommands::visualizeChecksOneItem()
{
    Rig rig;
    rig.invoke("menuWithProbes");
    QVERIFY(rig.control("menuWithProbes").checked);
    QVERIFY(!rig.control("menuWithoutProbes").checked);
    rig.invoke("menuWithoutProbes");
    QVERIFY(!rig.control("menuWithProbes").checked);
    QVERIFY(rig.control("menuWithoutProbes").checked);
}

void TestDisplayCommands::stepsEndInOneBatchedRender()
{
    Rig rig;
    loadElectrodes(rig.base.ws);
    rig.invoke("menuDisplayEProbe");
    PointView &view = rig.display.view();
    view.renderNow();
    QSignalSpy rendered(&view, &PointView::rendered);
    for (int i = 0; i < 5; ++i) {
        view.press(ViewButtons::Up);
        view.release(ViewButtons::Up + 1);
    }
    QCOMPARE(rig.state().ViewElevation, -85);
    QCOMPARE(rendered.count(), 0);
    QTRY_COMPARE(rendered.count(), 1);
    const Projection projection(view.state());
    const double f = 5 / 0.095;
    const QPoint nasion = projection.toPixels(Point3(f * rig.base.ws.meas.Fid[0]))->toPoint();
    QCOMPARE(view.image().pixelColor(nasion), QColor(0, 0, 255));
}

void TestDisplayCommands::pointsTableFollowsTheDisplayedSet()
{
    Rig rig;
    loadElectrodes(rig.base.ws);
    loadShape(rig.base.ws);
    PointsTableModel model(rig.display.view());
    QCOMPARE(model.rowCount(), 0);
    rig.invoke("menuDisplayEProbe");
    model.refresh();
    QCOMPARE(model.rowCount(), 3 + 3);
    QCOMPARE(model.index(4, PointsTableModel::Name).data().toString(), QStringLiteral("C3"));
    QCOMPARE(model.index(4, PointsTableModel::Y).data().toString(), QStringLiteral("6.00"));
    // Nearer to C3 than Fz (7.87 cm) and C4 (12 cm) is the LPA at (0, 7.5, 0) cm.
    QCOMPARE(model.index(4, PointsTableModel::Nearest).data().toString(),
             QString::number(std::sqrt(1.5 * 1.5 + 7 * 7), 'f', 2));
    rig.invoke("menuDShape");
    model.refresh();
    QCOMPARE(model.rowCount(), 3 + 4);
    loadReceivers(rig.base.ws, 1);
    rig.invoke("menuDFiducials");
    model.refresh();
    QCOMPARE(model.rowCount(), 0);
}

void TestDisplayCommands::openingAFileRefreshesTheDisplay()
{
    TestRig base;
    CommandSet menus(base.session);
    menus.registerAll(base.commands);
    base.ws.settings.CoordinateSystem = QStringLiteral("TEVO");
    loadElectrodes(base.ws);
    base.invoke("menuDisplayEProbe");
    QCOMPARE(menus.display.view().scene().points.size(), std::size_t(3));

    Workspace other;
    other.settings = base.ws.settings;
    loadElectrodes(other);
    other.tevo = other.meas;
    other.sensors.NumSensors = 2;
    const QString file = base.path("two.elp");
    WriteElectrodeFile(file, other);
    QVERIFY(menus.files.openPath(file));
    QCOMPARE(menus.display.view().scene().points.size(), std::size_t(2));
    QCOMPARE(menus.display.view().state().DisplaySet, 6);
}

void TestDisplayCommands::wizardShowsElectrodesWithLabels()
{
    Rig rig;
    loadElectrodes(rig.base.ws);
    rig.display.displayElectrodes(true);
    QVERIFY(rig.display.view().labelsShown());
    QVERIFY(rig.control(labelOption(1)).checked);
    QVERIFY(rig.control(DisplayPanel).visible);
    QVERIFY(rig.control(OptionPanel).visible);
    QCOMPARE(rig.state().DisplaySet, 6);
    QCOMPARE(contentOf(rig.display.view()), QStringLiteral("scene"));
    // A point digitized again keeps the operator's view.
    rig.display.view().press(ViewButtons::Left);
    rig.display.view().release(ViewButtons::Left + 1);
    rig.display.displayElectrodes(true);
    QCOMPARE(rig.state().ViewAzimuth, 181);
    // Clicking a name reports its point.
    QSignalSpy clicked(&rig.display.view(), &PointView::nameLabelClicked);
    rig.display.view().clickNameLabel(2);
    QCOMPARE(clicked.value(0).value(0).toInt(), 2);
}

void TestDisplayCommands::wizardShapeModeFollowsTheOption()
{
    Rig rig;
    rig.base.ws.settings.Digitizer = DigitizerModel::Fastrak;
    loadShape(rig.base.ws);
    rig.invoke("menuDClear");
    rig.display.enterShapeMode();
    rig.display.displayShape();
    QCOMPARE(rig.state().DisplaySet, 5);
    QCOMPARE(rig.state().HoldActive, 0);
    QVERIFY(!buttonsEnabled(rig));
    QVERIFY(rig.control(OptionPanel).visible);
    rig.display.view().setShapeSequences({0, 2}, 2);
    rig.display.view().renderNow();
    QCOMPARE(rig.display.view().scene().selectedSequence, 2);
    // New points keep the sequences on display.
    rig.base.ws.ShapePos.push_back(Point3(0, 0, 0.1));
    rig.base.ws.NumShapePoints = 5;
    rig.display.dataChanged();
    QCOMPARE(rig.display.view().scene().points.size(), std::size_t(5));
    QCOMPARE(rig.display.view().scene().sequenceStarts, (std::vector<int>{0, 2}));
    QVERIFY(rig.display.view().renderPending());
}

void TestDisplayCommands::exportWritesThePicture()
{
    Rig rig;
    loadElectrodes(rig.base.ws);
    rig.invoke("menuDisplayEProbe");
    rig.invoke("LabelOption(1)");
    const QString chosen = rig.base.path("view");
    rig.base.dialogs.fileAnswers.enqueue(chosen);
    QVERIFY(rig.display.exportPicture());
    QCOMPARE(rig.base.dialogs.fileRequests.last().title, QStringLiteral("Export Picture"));
    const QImage written(chosen + ".png");
    QCOMPARE(written.size(), rig.display.view().plotSize());
    // The picture carries the labels on show, which the plot leaves to its labels.
    const QImage plot = rig.display.view().image();
    QVERIFY(nonWhite(written) > nonWhite(plot));
    QCOMPARE(written.convertToFormat(QImage::Format_RGB32), rig.display.view().picture());
    QVERIFY(rig.base.dialogs.texts().isEmpty());
}

void TestDisplayCommands::exportRefusals_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("message");
    // clang-format off
    QTest::newRow("nothing on display") << "cleared"   << "There is no picture to export.";
    QTest::newRow("no such folder")     << "nofolder"  << "Cannot write";
    QTest::newRow("read-only file")     << "readonly"  << "is read-only; nothing was written.";
    QTest::newRow("keep existing")      << "declined"  << "Do you want to overwrite existing file?";
    // clang-format on
}

void TestDisplayCommands::exportRefusals()
{
    QFETCH(QString, situation);
    QFETCH(QString, message);
    Rig rig;
    loadElectrodes(rig.base.ws);
    rig.invoke("menuDisplayEProbe");
    if (situation == QLatin1String("cleared"))
        rig.invoke("menuDClear");
    QString path = rig.base.path("old.png");
    const QByteArray old("not a picture");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    if (situation == QLatin1String("nofolder"))
        path = rig.base.path("missing/view.png");
    if (situation == QLatin1String("readonly"))
        QFile::setPermissions(path, QFile::ReadOwner);
    rig.base.dialogs.fileAnswers.enqueue(path);
    rig.base.dialogs.answers.enqueue(situation == QLatin1String("readonly") ? Dialogs::Answer::Yes
                                                                            : Dialogs::Answer::No);
    QVERIFY(!rig.display.exportPicture());
    QVERIFY2(rig.base.dialogs.texts().last().contains(message),
             qPrintable(rig.base.dialogs.texts().join('|')));
    QFile f(rig.base.path("old.png"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), old);
    QVERIFY(!QFile::exists(rig.base.path("missing/view.png")));
    QFile::setPermissions(rig.base.path("old.png"), QFile::ReadOwner | QFile::WriteOwner);
}

QTEST_MAIN(TestDisplayCommands)
#include "tst_display_commands.moc"

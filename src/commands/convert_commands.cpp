#include "convert_commands.h"

#include "commands/file_commands.h"
#include "commands/setup_menus.h"
#include "commands/view_commands.h"
#include "convert/besa_file.h"
#include "data/electrode_file.h"
#include "data/file_error.h"
#include "data/point_types.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "geometry/conversions.h"
#include "geometry/frames.h"
#include "geometry/geometry_error.h"
#include "seams/command_table.h"
#include "seams/dialogs.h"
#include "seams/session.h"
#include "seams/ui_state.h"

namespace {
const char *ElpFilter = "TEVO Electrode File (*.elp)|*.elp";
} // namespace

bool ConvertCommands::requireSystem(const char *system, bool acceptTable)
{
    const QString want = QString::fromLatin1(system);
    const int n = m_s.ws.sensors.NumSensors;
    if (m_s.ws.settings.CoordinateSystem != want && !(acceptTable && m_s.ws.BesaFromTable)) {
        if (n > 0)
            m_s.dialogs.show(crJoin(
                {QStringLiteral("Can only convert while in %1 Coordinate System.").arg(want),
                 QString(),
                 QStringLiteral(
                     "Please restart Pointra and select %1 Coordinate System from the Setup menu")
                     .arg(want),
                 QStringLiteral("before loading data.")}));
        else
            m_s.dialogs.show(
                crJoin({QStringLiteral("No data to convert."), QString(),
                        QStringLiteral("Please select %1 Coordinate System before loading data.")
                            .arg(want)}));
        return false;
    }
    if (n == 0) {
        m_s.dialogs.show(QStringLiteral("No data to convert."));
        return false;
    }
    return true;
}

bool ConvertCommands::requireIn(const char *system)
{
    const QString want = QString::fromLatin1(system);
    if (m_s.ws.settings.CoordinateSystem != want) {
        m_s.dialogs.show(crJoin(
            {QStringLiteral("You need to be in %1 coordinate system.").arg(want), QString(),
             QStringLiteral(
                 "Please restart Pointra and select %1 Coordinate System from the Setup menu")
                 .arg(want),
             QStringLiteral("before loading data.")}));
        return false;
    }
    if (m_s.ws.sensors.NumSensors == 0) {
        m_s.dialogs.show(QStringLiteral("No data to convert."));
        return false;
    }
    return true;
}

bool ConvertCommands::convertTevoToBesa()
{
    if (!requireSystem("TEVO"))
        return false;
    Workspace next = m_s.ws;
    const int n = next.sensors.NumSensors;
    next.besa.resize(n);
    next.besa.FidName = {QStringLiteral("LPA"), QStringLiteral("NZ"), QStringLiteral("RPA")};
    next.besa.Name = namesAsText(next.tevo.Name, n);
    for (int i = 0; i < n; ++i)
        next.besa.Type[i] = next.meas.Type.value(i);
    next.besa.unit = LengthUnit::Metres;
    try {
        TevoToBesa(next);
    } catch (const GeometryError &e) {
        m_s.dialogs.show(e.message());
        return false;
    }
    // Converted data is unsaved until a save succeeds.
    next.ElectrodesDirty = 1;
    m_s.ws = next;
    const QString name =
        m_files.askSaveName(QStringLiteral("BESA Surface Point File (*.sfp)|*.sfp"), 1);
    if (name.isEmpty())
        return false;
    const bool written = m_files.writeFile(FileKind::Besa, name);
    m_files.setDataPathFrom(name);
    return written;
}

bool ConvertCommands::convertBesaToTevo()
{
    if (!requireSystem("BESA", true))
        return false;
    Workspace next = m_s.ws;
    const int n = next.sensors.NumSensors;
    next.tevo.FidName = {Fixed8("NZ"), Fixed8("LPA"), Fixed8("RPA")};
    for (int j = 0; j < 3; ++j) {
        const QString label = next.besa.FidName[j].trimmed();
        next.besa.FidName[j] = label;
        const int slot = besaFiducialIndex(label);
        if (slot < 0)
            m_s.dialogs.show(
                crJoin({QStringLiteral("Cannot recognize the name of fiducial # %1.").arg(j + 1),
                        QString(), QStringLiteral("It is not a standard BESA name.")}));
        else
            next.tevo.Fid[slot] = next.besa.Fid[j];
    }
    next.tevo.resize(n);
    next.tevo.Name = namesAsFixed8(next.besa.Name);
    next.tevo.Name.resize(n);
    next.tevo.Type = next.besa.Type;
    for (int i = 0; i < n && i < int(next.besa.Pos.size()); ++i)
        next.tevo.Pos[i] = next.besa.Pos[i];
    try {
        const FidTriple f = next.tevo.Fid;
        const Transform4 frame = BuildFrame(f[0], f[1], f[2], 0).position;
        for (Point3 &p : next.tevo.Fid)
            p = transformed(frame, p) * 0.01;
        for (Point3 &p : next.tevo.Pos)
            p = transformed(frame, p) * 0.01;
    } catch (const GeometryError &e) {
        m_s.dialogs.show(e.message());
        return false;
    }
    next.ElectrodesDirty = 1;
    m_s.ws = next;
    const QString name = m_files.askSaveName(QString::fromLatin1(ElpFilter), 1);
    if (name.isEmpty())
        return false;
    const bool written = m_files.writeFile(FileKind::Electrode, name);
    m_files.setDataPathFrom(name);
    return written;
}

bool ConvertCommands::convertTevoToCurry()
{
    if (!requireIn("TEVO"))
        return false;
    Workspace next = m_s.ws;
    const int n = next.sensors.NumSensors;
    next.besa.resize(n);
    next.curry.resize(n);
    next.tevo.FidName = {Fixed8("Nz"), Fixed8("LPA"), Fixed8("RPA")};
    next.curry.FidName = {QStringLiteral("PAR"), QStringLiteral("PAL"), QStringLiteral("NAS")};
    try {
        TevoToBesa(next);
        BesaToCurry(next);
    } catch (const GeometryError &e) {
        m_s.dialogs.show(e.message());
        return false;
    }
    next.curry.Name = namesAsText(next.tevo.Name, n);
    for (int i = 0; i < n; ++i)
        next.curry.Type[i] = next.tevo.Type.value(i);
    next.curry.unit = LengthUnit::Millimetres;
    const std::array<Fixed8, 3> labels = next.meas.FidName;
    copyToMeasured(next, next.curry, n);
    next.meas.FidName = labels;
    next.ElectrodesDirty = 1;
    m_s.ws = next;
    const QString name = m_files.askSaveName(QStringLiteral("Curry (*.res)|*.res|"), 1);
    const bool written = !name.isEmpty() && m_files.savePath(name);
    SetupMenus::UpdateSetupMenus(m_s);
    return written;
}

bool ConvertCommands::convertCurryOldToCurry()
{
    if (!requireIn("Curry"))
        return false;
    Workspace next = m_s.ws;
    const int n = next.sensors.NumSensors;
    next.tevo.resize(n);
    next.besa.resize(n);
    next.tevo.FidName = {Fixed8("Nz"), Fixed8("LPA"), Fixed8("RPA")};
    next.tevo.Name = namesAsFixed8(next.curry.Name);
    next.tevo.Type = next.curry.Type;
    try {
        CurryOldToTevo(next);
        TevoToBesa(next);
        BesaToCurry(next);
    } catch (const GeometryError &e) {
        m_s.dialogs.show(e.message());
        return false;
    }
    copyToMeasured(next, next.curry, n);
    next.ElectrodesDirty = 1;
    m_s.ws = next;
    m_views.UpdateView();
    return true;
}

bool ConvertCommands::convertCurryOldToTevo()
{
    if (!requireIn("Curry"))
        return false;
    Workspace next = m_s.ws;
    const int n = next.sensors.NumSensors;
    next.tevo.FidName = {Fixed8("Nz"), Fixed8("LPA"), Fixed8("RPA")};
    next.tevo.resize(n);
    next.tevo.Name = namesAsFixed8(next.curry.Name);
    try {
        CurryOldToTevo(next);
    } catch (const GeometryError &e) {
        m_s.dialogs.show(e.message());
        return false;
    }
    m_s.ws.tevo = next.tevo;
    m_s.ws.ElectrodesDirty = 1;
    const QString name = m_files.askSaveName(QString::fromLatin1(ElpFilter), 1);
    if (name.isEmpty())
        return false;
    // The electrode file of an old Curry file carries every point as an electrode.
    Workspace out = m_s.ws;
    out.meas.Type = QStringList();
    out.meas.Type.resize(n);
    out.meas.Type.fill(PointTypes::Electrode);
    const bool written = m_files.writeFileFrom(FileKind::Electrode, name, out);
    if (written)
        m_s.ws.ElectrodesDirty = 0;
    m_files.setDataPathFrom(name);
    return written;
}

bool ConvertCommands::importTable()
{
    Dialogs::FileRequest r{
        QStringLiteral("Open File"), QStringLiteral("All Files (*.*)|*.*"), 1, m_s.ws.DataPath, {}};
    const auto name = m_s.dialogs.openFileName(r);
    if (!name || name->isEmpty())
        return false;
    try {
        LineReader in(readFileBytes(*name));
        ReadTableFile(in, m_s.ws);
    } catch (const FileError &e) {
        m_files.reportReadError(e);
        return false;
    }
    m_files.setDataPathFrom(*name);
    m_s.ws.BesaFromTable = true;
    // Imported data is unsaved until it is converted and saved.
    m_s.ws.ElectrodesDirty = 1;
    m_s.dialogs.show(QStringLiteral("Are these the right fiducials?"));
    m_s.dialogs.show(
        QStringLiteral("Display and Open Panel - Select: Convert-(Save As...)-Cancel"));
    m_views.show(QStringLiteral("Internal Electrode Data"));
    m_s.dialogs.show(QStringLiteral("Display of the original file data"));
    return true;
}

void ConvertCommands::registerCommands(CommandTable &t)
{
    t.add(QStringLiteral("menuConvertTEVOtoBESA"), [this] { convertTevoToBesa(); });
    t.add(QStringLiteral("menuConvertBESAtoTEVO"), [this] { convertBesaToTevo(); });
    t.add(QStringLiteral("menuConvertTEVOtoCurry"), [this] { convertTevoToCurry(); });
    t.add(QStringLiteral("MenuConvertCurryOLDtoCurry"), [this] { convertCurryOldToCurry(); });
    t.add(QStringLiteral("menuConvertCURRYOLDtoTEVO"), [this] { convertCurryOldToTevo(); });
    t.add(QStringLiteral("menuConvertTABLEtoTEVO"), [this] { importTable(); });
}

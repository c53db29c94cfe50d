#include "file_commands.h"

#include "convert/besa_file.h"
#include "convert/curry_file.h"
#include "data/electrode_file.h"
#include "data/file_error.h"
#include "data/meg_files.h"
#include "data/sequence_file.h"
#include "data/shape_file.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "seams/command_table.h"
#include "seams/dialogs.h"
#include "seams/session.h"
#include "seams/ui_state.h"
#include "shell/setup_menus.h"

#include <QDir>
#include <QFileInfo>

FileCommands::Kind FileCommands::kindOf(const QString &fileName)
{
    const QString ext = fileName.right(3);
    if (ext != ext.toLower() && ext != ext.toUpper())
        return Kind::None;
    const QString e = ext.toLower();
    if (e == QLatin1String("dwr"))
        return Kind::Dewar;
    if (e == QLatin1String("clb"))
        return Kind::Calibration;
    if (e == QLatin1String("fid"))
        return Kind::Fiducials;
    if (e == QLatin1String("seq"))
        return Kind::Sequence;
    if (e == QLatin1String("elp"))
        return Kind::Electrode;
    if (e == QLatin1String("sfp"))
        return Kind::Besa;
    if (e == QLatin1String("res"))
        return Kind::Curry;
    if (e == QLatin1String("hsp"))
        return Kind::Shape;
    return Kind::None;
}

QString FileCommands::fixedMegFolder() const
{
    return QDir(m_s.ws.AppPath).filePath(QStringLiteral("MEG"));
}

void FileCommands::refresh()
{
    if (m_s.updateView)
        m_s.updateView();
}

void FileCommands::setDataPathFrom(const QString &fileName)
{
    m_s.ws.DataPath = QFileInfo(fileName).absolutePath();
    m_s.ui.dialogFolder = m_s.ws.DataPath;
}

void FileCommands::reportReadError(const FileError &e)
{
    if (e.kind() == FileError::Kind::WrongType) {
        m_s.dialogs.show(e.message());
        return;
    }
    m_s.dialogs.message(QStringLiteral("Error number ") + QString::number(e.number()) +
                            QStringLiteral(" - ") + e.message(),
                        QStringLiteral("Error opening input file"), Dialogs::Buttons::Ok,
                        Dialogs::Icon::Information, Dialogs::Answer::Ok);
}

bool FileCommands::readFile(Kind kind, const QString &path)
{
    Workspace &ws = m_s.ws;
    try {
        const QByteArray bytes = readFileBytes(path);
        LineReader in(bytes);
        switch (kind) {
        case Kind::Dewar:
            ReadDewarFile(in, ws);
            ws.DewarFile = path;
            break;
        case Kind::Calibration:
            ReadCalibrationFile(in, ws);
            ws.CalibrationFile = path;
            break;
        case Kind::Fiducials:
            ReadFiducialsFile(in, ws, &m_s.ui);
            ws.FiducialsFile = path;
            break;
        case Kind::Sequence:
            ReadSequenceFile(in, ws, m_s.dialogs);
            ws.SequenceFile = path;
            ws.SequenceTitle = QFileInfo(path).fileName().chopped(4);
            break;
        case Kind::Electrode:
            ReadElectrodeFile(in, ws, m_s.dialogs);
            ws.ElectrodeFile = path;
            break;
        case Kind::Besa:
            ReadBesaFile(in, ws);
            ws.ElectrodeFile = path;
            ws.BesaFromTable = false;
            break;
        case Kind::Curry:
            ReadCurryFile(bytes, ws, m_s.dialogs);
            ws.ElectrodeFile = path;
            break;
        case Kind::Shape:
            ReadShapeFile(in, ws);
            ws.ShapeFile = path;
            break;
        case Kind::None:
            return false;
        }
    } catch (const FileError &e) {
        reportReadError(e);
        return false;
    }
    refresh();
    return true;
}

bool FileCommands::writeFile(Kind kind, const QString &path)
{
    Workspace &ws = m_s.ws;
    try {
        switch (kind) {
        case Kind::Sequence:
            WriteSequenceFile(path, ws);
            break;
        case Kind::Electrode:
            WriteElectrodeFile(path, ws);
            break;
        case Kind::Besa:
            WriteBesaFiles(path, ws);
            break;
        case Kind::Curry:
            WriteCurryFile(path, ws);
            break;
        case Kind::Shape:
            WriteShapeFile(path, ws);
            break;
        case Kind::Calibration:
            WriteCalibrationFile(path, ws);
            break;
        case Kind::Fiducials:
            WriteFiducialsFile(path, ws);
            break;
        case Kind::Dewar:
        case Kind::None:
            return false;
        }
    } catch (const FileError &e) {
        reportWriteError(e);
        return false;
    }
    return true;
}

void FileCommands::reportWriteError(const FileError &e)
{
    m_s.dialogs.message(e.message(), QStringLiteral("Error saving file"), Dialogs::Buttons::Ok,
                        Dialogs::Icon::Warning, Dialogs::Answer::Ok);
}

bool FileCommands::openPath(const QString &path)
{
    const Kind kind = kindOf(path);
    bool read = false;
    if (kind == Kind::None) {
        m_s.dialogs.show(crJoin({QStringLiteral("Cannot open a file with this extension."),
                                 QStringLiteral("Please select an extension from the list.")}));
    } else {
        const char *system = kind == Kind::Electrode ? "TEVO"
                             : kind == Kind::Besa    ? "BESA"
                             : kind == Kind::Curry   ? "Curry"
                                                     : nullptr;
        if (system) {
            m_s.ws.settings.CoordinateSystem = QString::fromLatin1(system);
            SetupMenus::UpdateSetupMenus(m_s);
        }
        read = readFile(kind, path);
    }
    setDataPathFrom(path);
    return read;
}

void FileCommands::menuOpen_Click()
{
    Dialogs::FileRequest r{
        QStringLiteral("Open File"), m_s.ui.fileFilter, m_s.ui.filterIndex, m_s.ws.DataPath, {}};
    const auto name = m_s.dialogs.openFileName(r);
    if (!name || name->isEmpty())
        return;
    openPath(*name);
}

QString FileCommands::askSaveName(const QString &filter, int filterIndex)
{
    Dialogs::FileRequest r{
        QStringLiteral("Save File As"), filter, filterIndex, m_s.ws.DataPath, {}};
    const auto name = m_s.dialogs.saveFileName(r);
    if (!name || name->isEmpty())
        return {};
    if (QFileInfo::exists(*name) &&
        m_s.dialogs.message(QStringLiteral("Do you want to overwrite existing file?"),
                            Dialogs::QuestionTitle, Dialogs::Buttons::YesNo,
                            Dialogs::Icon::Question, Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return {};
    return *name;
}

bool FileCommands::savePath(const QString &path)
{
    const Kind kind = kindOf(path);
    const bool writable = kind == Kind::Sequence || kind == Kind::Electrode || kind == Kind::Besa ||
                          kind == Kind::Curry || kind == Kind::Shape;
    const bool written = writable && writeFile(kind, path);
    setDataPathFrom(path);
    return written;
}

void FileCommands::menuSaveAs_Click()
{
    const QString name = askSaveName(m_s.ui.fileFilter, m_s.ui.filterIndex);
    if (!name.isEmpty())
        savePath(name);
}

void FileCommands::registerCommands(CommandTable &t)
{
    t.add(QStringLiteral("menuOpen"), [this] { menuOpen_Click(); });
    t.add(QStringLiteral("menuSaveAs"), [this] { menuSaveAs_Click(); });
    auto at = [this](const QString &name) { return QDir(m_s.ws.AppPath).filePath(name); };
    auto meg = [this](const QString &name) {
        QDir().mkpath(fixedMegFolder());
        return QDir(fixedMegFolder()).filePath(name);
    };
    t.add(QStringLiteral("menuOpenEProbe"),
          [=] { readFile(Kind::Electrode, at(QStringLiteral("pointraE.elp"))); });
    t.add(QStringLiteral("menuOpenSequence"),
          [=] { readFile(Kind::Sequence, at(QStringLiteral("pointraE.seq"))); });
    t.add(QStringLiteral("menuSaveEProbe"),
          [=] { writeFile(Kind::Electrode, at(QStringLiteral("PointraE.elp"))); });
    t.add(QStringLiteral("menuSaveSequence"),
          [=] { writeFile(Kind::Sequence, at(QStringLiteral("pe_out.seq"))); });
    t.add(QStringLiteral("menuSaveShape"),
          [=] { writeFile(Kind::Shape, at(QStringLiteral("pointraE.hsp"))); });
    t.add(QStringLiteral("menuSaveCalibration"),
          [=] { writeFile(Kind::Calibration, meg(QStringLiteral("pointra.clb"))); });
    t.add(QStringLiteral("menuSaveFiducials"),
          [=] { writeFile(Kind::Fiducials, meg(QStringLiteral("pointra.fid"))); });
    t.add(QStringLiteral("menuSaveProbe"), [=] {
        try {
            WriteProbeFile(meg(QStringLiteral("pointra.elp")), m_s.ws);
        } catch (const FileError &e) {
            reportWriteError(e);
        }
    });
}

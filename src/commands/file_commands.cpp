#include "file_commands.h"

#include "commands/setup_menus.h"
#include "data/electrode_file.h"
#include "data/file_error.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "seams/command_table.h"
#include "seams/dialogs.h"
#include "seams/session.h"
#include "seams/ui_state.h"

#include <QDir>
#include <QFileInfo>

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

bool FileCommands::readFile(FileKind kind, const QString &path)
{
    Workspace &ws = m_s.ws;
    const FileFormat &format = formatOf(kind);
    try {
        const QByteArray bytes = readFileBytes(path);
        format.read(bytes, ws, m_s.dialogs);
    } catch (const FileError &e) {
        reportReadError(e);
        return false;
    }
    ws.*format.fileName = path;
    if (kind == FileKind::Sequence)
        ws.SequenceTitle = QFileInfo(path).fileName().chopped(4);
    if (kind == FileKind::Besa)
        ws.BesaFromTable = false;
    if (kind == FileKind::Fiducials)
        SetupMenus::showFiducialsReceivers(m_s);
    refresh();
    return true;
}

bool FileCommands::writeFile(FileKind kind, const QString &path)
{
    const FileFormat &format = formatOf(kind);
    if (!format.write)
        return false;
    try {
        format.write(path, m_s.ws);
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
    const FileFormat *format = formatOfName(path);
    bool read = false;
    if (!format) {
        m_s.dialogs.show(crJoin({QStringLiteral("Cannot open a file with this extension."),
                                 QStringLiteral("Please select an extension from the list.")}));
    } else {
        if (!format->system.isEmpty()) {
            m_s.ws.settings.CoordinateSystem = format->system;
            SetupMenus::UpdateSetupMenus(m_s);
        }
        read = readFile(format->kind, path);
    }
    setDataPathFrom(path);
    return read;
}

void FileCommands::open()
{
    Dialogs::FileRequest r{QStringLiteral("Open File"), openFilter(), 1, m_s.ws.DataPath, {}};
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
    const FileFormat *format = formatOfName(path);
    const bool written = format && format->savedByName && writeFile(format->kind, path);
    setDataPathFrom(path);
    return written;
}

bool FileCommands::saveAs()
{
    const QString name = askSaveName(m_s.ui.fileFilter, m_s.ui.filterIndex);
    return !name.isEmpty() && savePath(name);
}

void FileCommands::registerCommands(CommandTable &t)
{
    t.add(QStringLiteral("menuOpen"), [this] { open(); });
    t.add(QStringLiteral("menuSaveAs"), [this] { saveAs(); });
    auto at = [this](const QString &name) { return QDir(m_s.ws.AppPath).filePath(name); };
    auto meg = [this](const QString &name) {
        QDir().mkpath(fixedMegFolder());
        return QDir(fixedMegFolder()).filePath(name);
    };
    t.add(QStringLiteral("menuOpenEProbe"),
          [=] { readFile(FileKind::Electrode, at(QStringLiteral("pointraE.elp"))); });
    t.add(QStringLiteral("menuOpenSequence"),
          [=] { readFile(FileKind::Sequence, at(QStringLiteral("pointraE.seq"))); });
    t.add(QStringLiteral("menuSaveEProbe"),
          [=] { writeFile(FileKind::Electrode, at(QStringLiteral("PointraE.elp"))); });
    t.add(QStringLiteral("menuSaveSequence"),
          [=] { writeFile(FileKind::Sequence, at(QStringLiteral("pe_out.seq"))); });
    t.add(QStringLiteral("menuSaveShape"),
          [=] { writeFile(FileKind::Shape, at(QStringLiteral("pointraE.hsp"))); });
    t.add(QStringLiteral("menuSaveCalibration"),
          [=] { writeFile(FileKind::Calibration, meg(QStringLiteral("pointra.clb"))); });
    t.add(QStringLiteral("menuSaveFiducials"),
          [=] { writeFile(FileKind::Fiducials, meg(QStringLiteral("pointra.fid"))); });
    t.add(QStringLiteral("menuSaveProbe"), [=] {
        try {
            WriteProbeFile(meg(QStringLiteral("pointra.elp")), m_s.ws);
        } catch (const FileError &e) {
            reportWriteError(e);
        }
    });
}

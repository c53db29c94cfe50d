#include "file_commands.h"

#include "commands/setup_menus.h"
#include "convert/besa_file.h"
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
    return readFileAs(kind, path, false);
}

bool FileCommands::readFileAs(FileKind kind, const QString &path, bool switchSystem)
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
    // Only a file read to its end changes the coordinate system, names and folders.
    if (switchSystem && !format.system.isEmpty() && ws.settings.CoordinateSystem != format.system) {
        ws.settings.CoordinateSystem = format.system;
        SetupMenus::UpdateSetupMenus(m_s);
    }
    ws.*format.fileName = path;
    if (kind == FileKind::Sequence)
        ws.SequenceTitle = QFileInfo(path).fileName().chopped(4);
    if (kind == FileKind::Besa)
        ws.BesaFromTable = false;
    if (kind == FileKind::Electrode || kind == FileKind::Besa || kind == FileKind::Curry)
        ws.UnreadElectrodes.clear();
    if (kind == FileKind::Fiducials)
        SetupMenus::showFiducialsReceivers(m_s);
    refresh();
    return true;
}

bool FileCommands::writeFile(FileKind kind, const QString &path)
{
    return writeFileFrom(kind, path, m_s.ws);
}

bool FileCommands::writeFileFrom(FileKind kind, const QString &path, Workspace &ws)
{
    const FileFormat &format = formatOf(kind);
    if (!format.write)
        return false;
    const bool electrodes =
        kind == FileKind::Electrode || kind == FileKind::Besa || kind == FileKind::Curry;
    if (electrodes && !ws.UnreadElectrodes.isEmpty()) {
        m_s.dialogs.show(crJoin(
            {QStringLiteral("These electrodes have no position yet: %1.")
                 .arg(ws.UnreadElectrodes.join(QStringLiteral(", "))),
             QStringLiteral("Click a name to digitize one, or press Accept to leave them out; "
                            "nothing was written.")}));
        return false;
    }
    warnAboutLabels(kind, ws);
    try {
        format.write(path, ws);
    } catch (const FileError &e) {
        reportWriteError(e);
        return false;
    }
    if (ws.settings.DecimalPoint == QLatin1String("Comma") && !m_toldDecimalComma) {
        m_toldDecimalComma = true;
        m_s.dialogs.show(QStringLiteral("files written with a decimal comma are read correctly by "
                                        "Pointra but not by MNE, EEGLAB or FieldTrip"));
    }
    // Said where it does not stop the operator: the window shows it in its status line.
    m_s.ui.setText(QStringLiteral("SavedFile"),
                   QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void FileCommands::warnAboutLabels(FileKind kind, const Workspace &ws)
{
    const int n = ws.sensors.NumSensors;
    QStringList labels;
    if (kind == FileKind::Electrode)
        for (int i = 0; i < n && i < int(ws.tevo.Name.size()); ++i)
            labels << ws.tevo.Name[i].trimmed();
    else if (kind == FileKind::Besa || kind == FileKind::Curry)
        for (const QString &name : kind == FileKind::Besa ? ws.besa.Name : ws.curry.Name)
            if (labels.size() < n)
                labels << labelForFile(name);
    const QStringList shared = sharedLabels(labels);
    if (!shared.isEmpty())
        m_s.dialogs.message(
            crJoin({QStringLiteral("These labels name more than one electrode: ") +
                        shared.join(QStringLiteral(", ")) + QLatin1Char('.'),
                    QStringLiteral("FieldTrip keeps only one electrode of each label.")}),
            Dialogs::DefaultTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Warning,
            Dialogs::Answer::Ok);
    if (kind != FileKind::Besa && kind != FileKind::Curry)
        return;
    QStringList changed;
    const auto &names = kind == FileKind::Besa ? ws.besa.Name : ws.curry.Name;
    for (int i = 0; i < n && i < int(names.size()); ++i) {
        const QString written = labelForFile(names[i]);
        if (written != names[i].trimmed())
            changed << QStringLiteral("\"%1\" as %2").arg(names[i].trimmed(), written);
    }
    if (!changed.isEmpty())
        m_s.dialogs.show(crJoin({QStringLiteral("Labels are written without blanks, so every "
                                                "program reads the columns right:"),
                                 changed.join(QStringLiteral(", ")) + QLatin1Char('.')}));
}

QStringList FileCommands::sharedLabels(const QStringList &labels)
{
    QStringList shared;
    for (int i = 0; i < labels.size(); ++i) {
        QList<int> at;
        for (int j = 0; j < labels.size(); ++j)
            if (labels[j] == labels[i])
                at << j + 1;
        if (at.size() > 1 && at.first() == i + 1) {
            QStringList numbers;
            for (int k : at)
                numbers << QString::number(k);
            shared << QStringLiteral("%1 (electrodes %2)")
                          .arg(labels[i].isEmpty() ? QStringLiteral("a blank label") : labels[i],
                               numbers.join(QStringLiteral(", ")));
        }
    }
    return shared;
}

void FileCommands::reportWriteError(const FileError &e)
{
    m_s.dialogs.message(e.message(), QStringLiteral("Error saving file"), Dialogs::Buttons::Ok,
                        Dialogs::Icon::Warning, Dialogs::Answer::Ok);
}

bool FileCommands::openPath(const QString &path)
{
    const FileFormat *format = formatOfName(path);
    if (!format) {
        m_s.dialogs.show(crJoin({QStringLiteral("Cannot open a file with this extension."),
                                 QStringLiteral("Please select an extension from the list.")}));
        return false;
    }
    if (!readFileAs(format->kind, path, true))
        return false;
    setDataPathFrom(path);
    return true;
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
    if (!knownSaveName(*name))
        return {};
    if (QFileInfo::exists(*name) &&
        m_s.dialogs.message(QStringLiteral("Do you want to overwrite existing file?"),
                            Dialogs::QuestionTitle, Dialogs::Buttons::YesNo,
                            Dialogs::Icon::Question, Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return {};
    return *name;
}

bool FileCommands::knownSaveName(const QString &path)
{
    const FileFormat *format = formatOfName(path);
    if (format && format->savedByName)
        return true;
    m_s.dialogs.show(crJoin({QStringLiteral("Cannot save a file with this extension."),
                             QStringLiteral("Please select an extension from the list; nothing "
                                            "was written.")}));
    return false;
}

bool FileCommands::savePath(const QString &path)
{
    if (!knownSaveName(path))
        return false;
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

bool FileCommands::saveAsFor(const QString &extension, const QList<FileKind> &kinds)
{
    int index = m_s.ui.filterIndex;
    const QStringList parts = m_s.ui.fileFilter.split(QLatin1Char('|'));
    for (int i = 1; i < parts.size(); i += 2)
        if (parts[i] == QStringLiteral("*.") + extension)
            index = i / 2 + 1;
    const QString name = askSaveName(m_s.ui.fileFilter, index);
    if (name.isEmpty() || !savePath(name))
        return false;
    if (kinds.contains(formatOfName(name)->kind))
        return true;
    m_s.dialogs.show(QStringLiteral("%1 was written, but the data you were asked about are not in "
                                    "it: save them as a .%2 file.")
                         .arg(QFileInfo(name).fileName(), extension));
    return false;
}

void FileCommands::registerCommands(CommandTable &t)
{
    t.add(QStringLiteral("menuOpen"), [this] { open(); });
    t.add(QStringLiteral("menuSaveAs"), [this] { saveAs(); });
    auto at = [this](const QString &name) { return fixedPath(m_s.ws.AppPath, name); };
    auto meg = [this](const QString &name) {
        QDir().mkpath(fixedMegFolder());
        return fixedPath(fixedMegFolder(), name);
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

QString FileCommands::fixedPath(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    if (QFileInfo::exists(dir.filePath(name)))
        return dir.filePath(name);
    // Newest first, so the file a save wrote last is the one found.
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden, QDir::Time);
    for (const QString &entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    return dir.filePath(name);
}

#include "file_format.h"

#include "convert/besa_file.h"
#include "convert/curry_file.h"
#include "data/electrode_file.h"
#include "data/meg_files.h"
#include "data/sequence_file.h"
#include "data/shape_file.h"
#include "data/text_grammar.h"
#include "data/workspace.h"

namespace {
template <void (*Reader)(LineReader &, Workspace &)>
void lines(const QByteArray &bytes, Workspace &ws, Dialogs &)
{
    LineReader in(bytes);
    Reader(in, ws);
}

template <void (*Reader)(LineReader &, Workspace &, Dialogs &)>
void linesTold(const QByteArray &bytes, Workspace &ws, Dialogs &dialogs)
{
    LineReader in(bytes);
    Reader(in, ws, dialogs);
}

void writeCalibration(const QString &path, Workspace &ws)
{
    WriteCalibrationFile(path, ws);
}
} // namespace

const QList<FileFormat> &fileFormats()
{
    static const QList<FileFormat> rows = {
        {FileKind::Sequence,
         QStringLiteral("seq"),
         QStringLiteral("Sequence File"),
         {},
         QStringLiteral("Sequence Data"),
         &Workspace::SequenceFile,
         linesTold<ReadSequenceFile>,
         WriteSequenceFile,
         true},
        {FileKind::Electrode, QStringLiteral("elp"), QStringLiteral("TEVO Electrode File"),
         QStringLiteral("TEVO"), QStringLiteral("Electrode Data"), &Workspace::ElectrodeFile,
         linesTold<ReadElectrodeFile>, WriteElectrodeFile, true},
        {FileKind::Shape,
         QStringLiteral("hsp"),
         QStringLiteral("Shape File"),
         {},
         QStringLiteral("Shape Data"),
         &Workspace::ShapeFile,
         lines<ReadShapeFile>,
         WriteShapeFile,
         true},
        {FileKind::Besa, QStringLiteral("sfp"), QStringLiteral("BESA Surface Point File"),
         QStringLiteral("BESA"), QStringLiteral("Electrode Data"), &Workspace::ElectrodeFile,
         lines<ReadBesaFile>, WriteBesaFiles, true},
        {FileKind::Curry, QStringLiteral("res"), QStringLiteral("Curry"), QStringLiteral("Curry"),
         QStringLiteral("Electrode Data"), &Workspace::ElectrodeFile, ReadCurryFile, WriteCurryFile,
         true},
        {FileKind::Calibration,
         QStringLiteral("clb"),
         QStringLiteral("Calibration File"),
         {},
         QStringLiteral("Calibration Data"),
         &Workspace::CalibrationFile,
         lines<ReadCalibrationFile>,
         writeCalibration,
         false},
        {FileKind::Dewar,
         QStringLiteral("dwr"),
         QStringLiteral("Dewar File"),
         {},
         QStringLiteral("Dewar Data"),
         &Workspace::DewarFile,
         lines<ReadDewarFile>,
         nullptr,
         false},
        {FileKind::Fiducials,
         QStringLiteral("fid"),
         QStringLiteral("Fiducials File"),
         {},
         QStringLiteral("Fiducials Data"),
         &Workspace::FiducialsFile,
         lines<ReadFiducialsFile>,
         WriteFiducialsFile,
         false},
    };
    return rows;
}

const FileFormat &formatOf(FileKind kind)
{
    for (const FileFormat &f : fileFormats())
        if (f.kind == kind)
            return f;
    return fileFormats().front();
}

const FileFormat *formatOfName(const QString &fileName)
{
    const QString ext = fileName.right(3);
    if (ext != ext.toLower() && ext != ext.toUpper())
        return nullptr;
    for (const FileFormat &f : fileFormats())
        if (f.extension == ext.toLower())
            return &f;
    return nullptr;
}

QString openFilter()
{
    QStringList parts;
    for (const FileFormat &f : fileFormats())
        parts << QStringLiteral("%1 (*.%2)|*.%2").arg(f.description, f.extension);
    parts << QStringLiteral("All files (*.*)|*.*");
    return parts.join(QLatin1Char('|'));
}

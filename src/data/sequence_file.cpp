#include "sequence_file.h"

#include "data/file_error.h"
#include "data/point_types.h"
#include "data/text_grammar.h"
#include "data/text_out.h"
#include "data/workspace.h"
#include "seams/dialogs.h"

void ReadSequenceFile(LineReader &in, Workspace &ws, Dialogs &dialogs)
{
    const int revision = readTypeAndRevision(in);
    QStringList names, codes;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab < 0)
            throw FileError(
                FileError::Kind::InvalidArgument,
                QStringLiteral("Invalid procedure call or argument") + QChar(13) +
                    QStringLiteral("Line %1 has no TAB between the point name and its code.")
                        .arg(in.lineNumber()));
        QString name = line.left(tab);
        if (name.size() > 8) {
            dialogs.show(crJoin({name, QStringLiteral("Name is more than 8 characters long."),
                                 QStringLiteral("Will truncate to 8 characters.")}));
            name.truncate(8);
        }
        const QString code = line.mid(tab + 1);
        if (!IsSupportedCode(code))
            dialogs.show(name + QStringLiteral(" has code ") + code +
                         QStringLiteral("  which is not supported"));
        names << name;
        codes << code;
    }
    ws.MinorRevision = revision;
    ws.NumSeq = names.size();
    ws.SeqName = names;
    ws.SeqCode = codes;
    ws.SeqRaw = QStringList();
    ws.SeqRaw.resize(names.size());
}

QByteArray sequenceFileText(const Workspace &ws)
{
    TextOut out(ws.settings);
    out.line(QStringLiteral("3\t2")).line(QStringLiteral("1"));
    for (int i = 0; i < ws.NumSeq; ++i) {
        // The first TAB ends the name.
        if (ws.SeqName.value(i).contains(QLatin1Char('\t')))
            throw FileError(FileError::Kind::Refused,
                            QStringLiteral("The name of point %1 holds a TAB; no file was written.")
                                .arg(i + 1));
        out.line(ws.SeqName.value(i) + QLatin1Char('\t') + ws.SeqCode.value(i));
    }
    return out.bytes();
}

void WriteSequenceFile(const QString &path, Workspace &ws)
{
    saveText(path, sequenceFileText(ws));
    ws.SequenceFile = path;
}

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

struct Workspace;

// The service dumps of the program's state, written beside the program for a technician.
namespace ServiceDumps {
inline const QString MatricesFile = QStringLiteral("Matrices.txt");
inline const QString RawDataFile = QStringLiteral("RawData.txt");
inline const QString SequenceDataFile = QStringLiteral("Pe_seq.dat");
// Named by Save DigSeq Data, which writes nothing.
inline const QString DigSeqFile = QStringLiteral("DigSeq.dat");

// The 19 working transforms in dump order.
const QStringList &matrixNames();
// "//" + name, then the four rows with their values in sign-position text, TAB-separated.
QByteArray matricesText(const Workspace &ws);
// The raw records the measurement steps kept, in sections; `lineSettings` heads the dump.
QByteArray rawDataText(const Workspace &ws, const QString &lineSettings);
// Each sequence point's number, name and type code, then its raw record.
QByteArray sequenceDataText(const Workspace &ws);
} // namespace ServiceDumps

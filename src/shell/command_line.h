#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The three file names of a command-line probe run.
struct BatchNames
{
    QString CalibrationFileName;
    QString FiducialsFileName;
    QString ProbeFileName;
};

// Splits at the first two single blanks; the last name keeps any further blanks.
// Fewer than two blanks: no names.
std::optional<BatchNames> splitBatchCommandLine(const QString &commandLine);
// The command line as one text, arguments joined by single blanks.
QString joinArguments(const QStringList &argumentsAfterProgram);
QString batchUsage();

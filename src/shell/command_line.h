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

// What the program's own options ask for; the first word that is not an option starts the
// names of a command-line probe run.
struct ProgramOptions
{
    bool help = false;
    bool service = false;      // --service: the Diagnostics, Test and Development menus
    bool editSequence = false; // --edit-sequence [FILE.seq]
    QString sequenceFile;
    QString unknownOption; // the first option Pointra does not know, if any
    QStringList batchWords;
};
ProgramOptions parseProgramArguments(const QStringList &argumentsAfterProgram);

#pragma once

#include "data/digitizer_models.h"
#include "data/reading.h"

#include <QString>
#include <optional>

// Turning a record's text into a Reading, refusing anything that is not a reading.
namespace Records {
// All receiver blocks the model's layout holds.
constexpr int AllBlocks = -1;

// The two 89-character ISOTRAK blocks in the FASTRAK layout of stations 1 and 2 (115 characters).
QString rebuildIsotrak(const QString &raw);
// Why `record` is not a reading of `model` with `receiverBlocks` receiver blocks (cut short,
// NUL bytes, missing line ends, a device error status, a field that is not a number), or an
// empty text when it is one. A FASTRAK record longer than its layout is cut first.
QString recordProblem(DigitizerModel model, QString &record, int receiverBlocks = AllBlocks);
// The reading of a record, or nothing (with the reason in `problem`).
std::optional<Reading> parseReading(DigitizerModel model, QString record,
                                    int receiverBlocks = AllBlocks, QString *problem = nullptr);
// The pose of one receiver of a record in the working matrices: `rotation` gets the rotation
// block of `position`. False, changing nothing, when the record is not a reading.
bool ParseDigitizerRecord(DigitizerModel model, const QString &record, int sensor, int mode,
                          Transform4 &rotation, Transform4 &position);
// The report of a FASTRAK status character, as the operator sees it.
QString fastrakStatusReport(QChar status, int station);
} // namespace Records

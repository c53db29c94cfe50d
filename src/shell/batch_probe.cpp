#include "batch_probe.h"

#include "data/electrode_file.h"
#include "data/file_error.h"
#include "data/meg_files.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "digitizer/records.h"
#include "geometry/meg_locator.h"
#include "seams/dialogs.h"
#include "seams/session.h"
#include "shell/command_line.h"

#include <QDir>

namespace {
// Reads one input file of the run; false (and a message) when it cannot be used.
template <typename Reader>
bool readInput(Session &s, const QString &path, const QString &what, Reader reader)
{
    try {
        LineReader in(readFileBytes(path));
        reader(in);
        return true;
    } catch (const FileError &e) {
        s.dialogs.show(QStringLiteral("The %1 %2 cannot be used: %3")
                           .arg(what, QDir::toNativeSeparators(path), e.message()));
        return false;
    }
}
} // namespace

int RunBatchProbe(Session &s, const BatchNames &names)
{
    Workspace &ws = s.ws;
    if (!readInput(s, names.CalibrationFileName, QStringLiteral("calibration file"),
                   [&](LineReader &in) { ReadCalibrationFile(in, ws); }))
        return 1;
    if (!readInput(s, names.FiducialsFileName, QStringLiteral("fiducials file"),
                   [&](LineReader &in) { ReadFiducialsFile(in, ws, nullptr); }))
        return 1;
    ws.CalibrationFile = names.CalibrationFileName;
    ws.FiducialsFile = names.FiducialsFileName;

    DigitizerSetup::InitializeDigitizer(s);
    QString first, second;
    for (QString *record : {&first, &second}) {
        const Records::Outcome o = Records::PollDigitizerRecord(s, *record);
        if (o == Records::Outcome::PortFailed || o == Records::Outcome::DeviceGone)
            return 1;
        if (record->size() < Records::FastrakLength) {
            s.dialogs.show(
                QStringLiteral(
                    "The FASTRAK did not answer with a whole record (%1 of %2 characters); "
                    "no probe file was written.")
                    .arg(record->size())
                    .arg(Records::FastrakLength));
            return 1;
        }
    }
    QString cut = first;
    const QString report = Records::checkFastrak(cut);
    if (!report.isEmpty())
        s.dialogs.show(report);
    if (!LocateProbe(ws, s.dialogs, cut))
        return 1;
    try {
        WriteProbeFile(names.ProbeFileName, ws);
    } catch (const FileError &e) {
        s.dialogs.show(e.message());
        return 1;
    }
    return 0;
}

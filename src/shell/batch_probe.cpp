#include "batch_probe.h"

#include "data/electrode_file.h"
#include "data/file_error.h"
#include "data/meg_files.h"
#include "data/text_grammar.h"
#include "data/workspace.h"
#include "digitizer/digitizer_setup.h"
#include "digitizer/record_parser.h"
#include "digitizer/records.h"
#include "geometry/meg_locator.h"
#include "seams/dialogs.h"
#include "seams/serial_link.h"
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
                   [&](LineReader &in) { ReadFiducialsFile(in, ws); }))
        return 1;
    ws.CalibrationFile = names.CalibrationFileName;
    ws.FiducialsFile = names.FiducialsFileName;

    if (DigitizerSetup::InitializeDigitizer(s) == DigitizerSetup::InitResult::PortFailed)
        return 1;
    std::optional<Reading> probe;
    for (int i = 0; i < 2; ++i) {
        QString record;
        const Records::Outcome o = Records::PollDigitizerRecord(s, record);
        if (o == Records::Outcome::PortFailed)
            return 1;
        if (o == Records::Outcome::DeviceGone) {
            s.dialogs.show(crJoin({QStringLiteral("The digitizer stopped answering during the "
                                                  "probe measurement; no probe file was written."),
                                   s.link.errorText()}));
            return 1;
        }
        const ModelTraits &model = traitsOf(ws.settings.Digitizer);
        if (record.size() < model.layout.deviceLength) {
            s.dialogs.show(QStringLiteral("The %1 did not answer with a whole record (%2 of %3 "
                                          "characters); no probe file was written.")
                               .arg(model.name)
                               .arg(record.size())
                               .arg(model.layout.deviceLength));
            return 1;
        }
        QString problem;
        const std::optional<Reading> reading =
            Records::parseReading(ws.settings.Digitizer, record, Records::AllBlocks, &problem);
        if (!reading) {
            s.dialogs.show(crJoin({problem, QStringLiteral("No probe file was written.")}));
            return 1;
        }
        if (i == 0)
            probe = reading;
    }
    if (!LocateProbe(ws, s.dialogs, *probe))
        return 1;
    try {
        WriteProbeFile(names.ProbeFileName, ws);
    } catch (const FileError &e) {
        s.dialogs.show(e.message());
        return 1;
    }
    return 0;
}

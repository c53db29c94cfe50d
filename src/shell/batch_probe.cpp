#include "batch_probe.h"

#include "seams/dialogs.h"
#include "seams/session.h"
#include "shell/command_line.h"

int RunBatchProbe(Session &s, const BatchNames &names)
{
    s.dialogs.show(crJoin({QStringLiteral("The probe file ") + names.ProbeFileName +
                               QStringLiteral(" was not written:"),
                           QStringLiteral("this build of Pointra cannot yet read calibration and "
                                          "fiducials files.")}));
    return 3;
}

#pragma once

#include <QStringList>

// pointra-cli digitize: the measurement wizard without a window, on the configured digitizer.
// Prompts go to standard output one line each, operator keys come from standard input.
// Returns 0 when OUT was written, 1 when the step was cancelled, the device was lost or a
// reading refused (nothing written), 2 for a usage error.
int runDigitize(const QStringList &arguments);
QString digitizeUsage();

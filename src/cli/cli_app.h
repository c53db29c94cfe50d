#pragma once

#include <QStringList>

// pointra-cli: conversions, listings and round trips through the same commands as the menus.
// Returns the process exit status: 0 done, 1 input refused or malformed, 2 usage error.
int runCli(const QStringList &arguments);
QString cliUsage();

#pragma once

#include <QString>
#include <QStringList>

struct Session;
class FileCommands;

// pointra-cli render IN OUT.png: the plot of a file's data set as the window draws it.
namespace CliRender {
// Options of render; all but --labels take a value.
bool isOption(const QString &arg);
bool takesValue(const QString &arg);
// `positional` holds IN and OUT; `options` the render options with their values. Returns the
// exit status: 0 written, 1 input refused or not written, 2 usage error.
int run(Session &session, FileCommands &files, const QStringList &positional,
        const QStringList &options);
} // namespace CliRender

#pragma once

#include <QString>
#include <QStringList>

// Point names turned into prompt file names: a name can never lead out of the sound folder,
// and two different names never share a file, on any file system.
namespace PromptNames {
// The name itself when it is a safe file name; otherwise the name with every unsafe character
// replaced and a short hash of the original added. Empty for an empty name.
QString safeStem(const QString &name);
// The file stem of every name, index for index. Distinct names get distinct stems (letter case
// ignored); equal names share one. The result depends on the set of names, not on their order.
QStringList fileStems(const QStringList &names);
} // namespace PromptNames

#pragma once

#include <QString>
#include <QStringList>

// Why Digitize > Electrodes would refuse these rows, one line per fault naming the rows
// (1-based): the first three are not one each of the three fiducials, two electrode rows share a
// name, a name is longer than eight characters or holds a TAB or line break. Empty when none.
QStringList sequenceFaults(const QStringList &names, const QStringList &codes);

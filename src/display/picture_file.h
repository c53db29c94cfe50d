#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The plot as a PNG file, written through the shared save path: a failed write leaves any old
// file whole and throws FileError naming the file and the reason.
QByteArray pngBytes(const QImage &image);
void savePicture(const QString &path, const QImage &image);

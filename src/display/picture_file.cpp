#include "picture_file.h"

#include "data/file_error.h"
#include "data/text_out.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>

QByteArray pngBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        return {};
    return bytes;
}

void savePicture(const QString &path, const QImage &image)
{
    const QByteArray bytes = image.isNull() ? QByteArray() : pngBytes(image);
    if (bytes.isEmpty())
        throw FileError(FileError::Kind::Io, QStringLiteral("Cannot write ") +
                                                 QDir::toNativeSeparators(path) +
                                                 QStringLiteral(": the picture is empty."));
    saveText(path, bytes);
}

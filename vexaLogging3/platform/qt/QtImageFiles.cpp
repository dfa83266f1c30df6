#include "platform/qt/QtImageFiles.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include "platform/PictureConverter.h"

#include "platform/qt/QtControls.h"

namespace platform::qt {

std::optional<Bytes> QtImageFiles::readAsTiff(const std::string& path, std::string& why) {
    // Only a PNG is read whole for the check; other files may be large.
    QFile file(toQString(path));
    if (file.open(QIODevice::ReadOnly) && file.peek(4) == "\x89PNG") {
        const QByteArray bytes = file.readAll();
        if (pngClaimsMoreThanItHolds(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                     static_cast<std::size_t>(bytes.size()))) {
            why = "The file is damaged: a part of it claims more bytes than the file holds.";
            return std::nullopt;
        }
    }
    QImageReader reader(toQString(path));
    // Pictures from phones and cameras say in their EXIF data which way is up.
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        why = toStdString(reader.errorString());
        return std::nullopt;
    }
    // Eight bits a channel, as every TIFF reader shows it, whatever depth the file had.
    image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                          : QImage::Format_RGB32);
    QByteArray tiff;
    QBuffer buffer(&tiff);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    // LZW: the picture stays lossless and travels in the project file at a fraction of the
    // raw size.
    writer.setCompression(1);
    if (!writer.write(image)) {
        why = toStdString(writer.errorString());
        return std::nullopt;
    }
    return Bytes(tiff.begin(), tiff.end());
}

}  // namespace platform::qt

#include "platform/qt/QtPictureConverter.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include "platform/video/TurboJpegCodec.h"

namespace platform::qt {

Bytes QtPictureConverter::toJpeg(const Bytes& encoded, double compressionFactor) {
    QImage image;
    if (pngClaimsMoreThanItHolds(encoded.data(), encoded.size()) ||
        !image.loadFromData(encoded.data(), static_cast<int>(encoded.size())))
        return {};
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG", TurboJpegCodec::quality(compressionFactor)))
        return {};
    return Bytes(jpeg.begin(), jpeg.end());
}

}  // namespace platform::qt

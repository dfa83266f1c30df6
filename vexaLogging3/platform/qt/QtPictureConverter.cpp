#include "platform/qt/QtPictureConverter.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QtGlobal>

#include <dlfcn.h>

#include <cstdarg>
#include <cstdlib>

#include "platform/video/TurboJpegCodec.h"

namespace platform::qt {

void QtPictureConverter::silenceLibraryWarnings() {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
        if (type == QtFatalMsg)
            std::abort();
    });
    // Qt's TIFF plugin leaves libtiff's own handlers in place, which print to standard error.
    // The handlers are the library's globals: loaded here and kept, the plugin later finds
    // the same library with them cleared.
    if (void* tiff = dlopen("libtiff.so.6", RTLD_LAZY)) {
        using Handler = void (*)(const char*, const char*, va_list);
        using SetHandler = Handler (*)(Handler);
        for (const char* name : {"TIFFSetErrorHandler", "TIFFSetWarningHandler"}) {
            if (auto set = reinterpret_cast<SetHandler>(dlsym(tiff, name)))
                set(nullptr);
        }
    }
}

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

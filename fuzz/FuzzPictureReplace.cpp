// Arbitrary bytes as the image file a user picks to replace a picture, through the converter
// that turns it into the stored JPEG. Qt's image readers are not instrumented, so libFuzzer
// sees no coverage inside them: this finds crashes and memory faults on random and mutated
// seeds, not deep paths. To keep a seed of every format in play, the target branches on the
// format Qt recognises and on whether the picture decoded, which libFuzzer does see.

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/qt/QtPictureConverter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_pictureReplace";
    static char* argv[] = {name, nullptr};
    // The image format plugins (JPEG, TIFF, GIF...) are found through the application.
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    (void)app;
    // A few bytes can declare a picture of any size. Qt refuses past its allocation limit
    // anyway; a lower one here keeps the sanitizer's heap, which seldom gives memory back,
    // within the fuzzer's limit over a whole run without losing any path through the readers.
    static const bool limited = (QImageReader::setAllocationLimit(32), true);
    (void)limited;
    // Every damaged input makes the readers complain; millions of lines help nobody.
    static const auto quiet =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    (void)quiet;
    static volatile int seen = 0;

    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&buffer);
    constexpr std::array<const char*, 8> kFormats{"png",  "jpeg", "gif", "bmp",
                                                  "tiff", "ppm",  "xpm", "webp"};
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        if (format == kFormats[i]) {
            seen = seen + static_cast<int>(i);
            break;
        }
    }

    platform::qt::QtPictureConverter converter;
    const auto jpeg = converter.toJpeg(platform::Bytes(data, data + size), 0.5);
    if (!jpeg.empty()) {
        seen = seen + 1;
        if (!platform::isJpeg(jpeg))
            std::abort();
    }
    return 0;
}

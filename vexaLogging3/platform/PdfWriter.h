#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/Controls.h"

namespace platform {

enum class PageSize { A4, Letter };

// One printable document being drawn, in points (1/72 inch) from the top left corner of the
// page. Text stays text in the file, so that it can be searched and copied.
class PdfCanvas {
public:
    virtual ~PdfCanvas() = default;
    virtual double pageWidth() const = 0;
    virtual double pageHeight() const = 0;
    // Ends the page and starts the next one.
    virtual void newPage() = 0;

    enum class Style { Title, Heading, Body, Small };
    // The height `utf8` takes set in `width`, wrapped at word boundaries and at line feeds; a
    // text taller than `atMost` may be measured only that far, and answers at least `atMost`.
    virtual double textHeight(std::string_view utf8, double width, Style style,
                              double atMost) = 0;
    // Sets `utf8` into the box, wrapped as textHeight() measures it; what overflows the box is
    // cut off.
    virtual void text(std::string_view utf8, double x, double y, double width, double height,
                      Style style) = 0;
    // Decodes the picture, fits it into the box keeping its shape, draws it centred and lets
    // the decoded picture go again: a long log never holds more than one. False when the bytes
    // do not decode (nothing is drawn).
    virtual bool picture(const Bytes& encoded, double x, double y, double width,
                         double height) = 0;
    // A thin rule around the box.
    virtual void frame(double x, double y, double width, double height) = 0;
};

// Makes PDF files.
class PdfWriter {
public:
    virtual ~PdfWriter() = default;
    // Draws a document of `size` pages into the open file `descriptor` (written from where it
    // stands, not closed) through `draw`. Answers the empty string on success, otherwise the
    // reason.
    virtual std::string write(int descriptor, PageSize size, std::string_view title,
                              const std::function<void(PdfCanvas&)>& draw) = 0;
    // The paper the user most likely prints on.
    virtual PageSize preferredPageSize() const { return PageSize::A4; }
};

// Small pictures for a report.
class PictureScaler {
public:
    virtual ~PictureScaler() = default;
    // JPEG data of the picture fitted into width × height pixels keeping its shape (never
    // enlarged); empty when the bytes do not decode.
    virtual Bytes jpegThumbnail(const Bytes& encoded, int width, int height) = 0;
};

}  // namespace platform

#pragma once

#include "platform/PdfWriter.h"

namespace platform::qt {

// PDF files with Qt's PDF writer: text set with the system's fonts (and so searchable),
// pictures embedded at print resolution. Needs a QGuiApplication; touches no widget.
class QtPdfWriter final : public PdfWriter {
public:
    std::string write(int descriptor, PageSize size, std::string_view title,
                      const std::function<void(PdfCanvas&)>& draw) override;
    // Letter where the user's locale measures in inches, A4 elsewhere.
    PageSize preferredPageSize() const override;
};

// Thumbnails for reports: JPEG scaled in the decoder, so a 1080p picture is never decoded
// whole. Safe on any thread.
class QtPictureScaler final : public PictureScaler {
public:
    Bytes jpegThumbnail(const Bytes& encoded, int width, int height) override;
};

}  // namespace platform::qt

#include "platform/qt/QtPdfWriter.h"

#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QImageReader>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <QTextOption>
#include <QFontMetricsF>
#include <algorithm>

#include "platform/PictureConverter.h"

namespace platform::qt {
namespace {

// Device units per point: the writer works at 720 dots an inch, fine enough that text laid
// out there keeps its shape when printed.
constexpr int kResolution = 720;
constexpr double kUnits = kResolution / 72.0;
// Pictures are embedded at this resolution: sharp on paper, a small file for a day of takes.
constexpr double kPictureDpi = 150;

QSize fitted(QSize original, QSizeF box) {
    const QSize wanted = original.scaled(box.toSize().expandedTo(QSize(1, 1)), Qt::KeepAspectRatio);
    return wanted.width() >= original.width() ? original : wanted.expandedTo(QSize(1, 1));
}

// Decodes at (about) `size` in the JPEG decoder itself; the whole picture when invalid.
QImage decode(const Bytes& encoded, QSizeF box) {
    if (pngClaimsMoreThanItHolds(encoded.data(), encoded.size()))
        return {};
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(encoded.data()),
                                              static_cast<qsizetype>(encoded.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize original = reader.size();
    if (original.isValid())
        reader.setScaledSize(fitted(original, box));
    return reader.read();
}

// Qt looks for the end of a word before it breaks one that is wider than the line, from each
// line's start to the word's end: an unbroken run of a comment (a key held down, a pasted
// hash) costs its length squared. Such a run is broken here into pieces that each fill a line,
// as Qt would break it, so that no word Qt sees is longer than a line.
QString brokenIntoLines(const QString& text, const QFontMetricsF& metrics, double width) {
    // Runs shorter than this are left to Qt whole: ordinary words keep Qt's own wrapping.
    constexpr qsizetype kShortRun = 32;
    QString out;
    qsizetype copied = 0;
    const qsizetype length = text.size();
    for (qsizetype at = 0; at < length;) {
        if (text[at].isSpace() || text[at] == QChar::LineSeparator) {
            ++at;
            continue;
        }
        qsizetype end = at;
        while (end < length && !text[end].isSpace() && text[end] != QChar::LineSeparator)
            ++end;
        if (end - at > kShortRun) {
            out += QStringView(text).mid(copied, at - copied);
            for (qsizetype k = at; k < end;) {
                // Guessed from the characters' own widths (a surrogate pair is one character,
                // never split), then made to fit as the line will set it.
                qsizetype stop = k;
                for (double filled = 0; stop < end;) {
                    const qsizetype size = text[stop].isHighSurrogate() && stop + 1 < end ? 2 : 1;
                    const double advance =
                        size == 1 ? metrics.horizontalAdvance(text[stop])
                                  : metrics.horizontalAdvance(text.mid(stop, size));
                    if (stop > k && filled + advance > width)
                        break;
                    filled += advance;
                    stop += size;
                }
                while (stop - k > 1 && metrics.horizontalAdvance(text.mid(k, stop - k)) > width)
                    stop -= text[stop - 1].isLowSurrogate() && stop - 2 > k ? 2 : 1;
                out += QStringView(text).mid(k, stop - k);
                if (stop < end)
                    out += QChar::LineSeparator;
                k = stop;
            }
            copied = end;
        }
        at = end;
    }
    if (copied == 0)
        return text;
    out += QStringView(text).mid(copied);
    return out;
}

class Canvas final : public PdfCanvas {
public:
    Canvas(QPdfWriter& writer, QPainter& painter, QSizeF points)
        : m_writer(writer), m_painter(painter), m_points(points) {}

    double pageWidth() const override { return m_points.width(); }
    double pageHeight() const override { return m_points.height(); }
    void newPage() override { m_writer.newPage(); }

    double textHeight(std::string_view utf8, double width, Style style,
                      double atMost) override {
        return lay(utf8, width, style, atMost * kUnits, {}) / kUnits;
    }

    void text(std::string_view utf8, double x, double y, double width, double height,
              Style style) override {
        const double limit = height * kUnits + 0.5;
        lay(utf8, width, style, limit, [&](const QTextLayout& layout, double top) {
            for (int i = 0; i < layout.lineCount(); ++i) {
                const QTextLine line = layout.lineAt(i);
                if (top + line.y() + line.height() > limit)
                    break;
                line.draw(&m_painter, QPointF(x * kUnits, y * kUnits + top));
            }
        });
    }

    bool picture(const Bytes& encoded, double x, double y, double width,
                 double height) override {
        const QImage image = decode(encoded, QSizeF(width, height) * (kPictureDpi / 72.0));
        if (image.isNull())
            return false;
        const QSizeF shown = QSizeF(image.size()).scaled(width, height, Qt::KeepAspectRatio);
        const QRectF target((x + (width - shown.width()) / 2) * kUnits,
                            (y + (height - shown.height()) / 2) * kUnits,
                            shown.width() * kUnits, shown.height() * kUnits);
        m_painter.drawImage(target, image);
        return true;
    }

    void frame(double x, double y, double width, double height) override {
        m_painter.setPen(QPen(QColor(140, 140, 140), 0.5 * kUnits));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(QRectF(x * kUnits, y * kUnits, width * kUnits, height * kUnits));
        m_painter.setPen(Qt::black);
    }

private:
    // Sized in device units: a layout made without the device would take the screen's
    // resolution for a point.
    static QFont font(Style style) {
        QFont font(QStringLiteral("sans-serif"));
        const auto points = [&font](int size) {
            font.setPixelSize(static_cast<int>(size * kUnits));
        };
        switch (style) {
            case Style::Title:
                points(16);
                font.setBold(true);
                break;
            case Style::Heading:
                points(10);
                font.setBold(true);
                break;
            case Style::Body:
                points(8);
                break;
            case Style::Small:
                points(7);
                break;
        }
        return font;
    }

    // Lays the text out in `width` points, a part of some thousand characters at a time (each
    // ending between two words where it can), until the lines reach `limit` device units or the
    // text ends; hands each part's layout and its top to `draw`. Answers the height laid out,
    // in device units: a comment of pages costs what a page of it shows.
    double lay(std::string_view utf8, double width, Style style, double limit,
               const std::function<void(const QTextLayout&, double top)>& draw) {
        constexpr qsizetype kPart = 8192;
        constexpr qsizetype kLookForABlank = 256;
        QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QChar::LineSeparator);
        text.replace(QLatin1Char('\n'), QChar::LineSeparator);
        text.replace(QLatin1Char('\t'), QLatin1Char(' '));
        const QFont set = font(style);
        const QFontMetricsF metrics(set);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        double height = 0;
        for (qsizetype at = 0; at < text.size() && height < limit;) {
            qsizetype end = std::min(text.size(), at + kPart);
            for (qsizetype k = end; k < std::min(text.size(), end + kLookForABlank); ++k) {
                if (text[k].isSpace()) {
                    end = k + 1;
                    break;
                }
            }
            QTextLayout layout(brokenIntoLines(text.mid(at, end - at), metrics, width * kUnits),
                               set);
            layout.setTextOption(option);
            layout.setCacheEnabled(true);
            const double top = height;
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid() && height < limit;
                 line = layout.createLine()) {
                line.setLineWidth(width * kUnits);
                line.setPosition(QPointF(0, height - top));
                height += line.height();
            }
            layout.endLayout();
            if (draw)
                draw(layout, top);
            at = end;
        }
        return height;
    }

    QPdfWriter& m_writer;
    QPainter& m_painter;
    QSizeF m_points;
};

}  // namespace

std::string QtPdfWriter::write(int descriptor, PageSize size, std::string_view title,
                               const std::function<void(PdfCanvas&)>& draw) {
    QFile file;
    if (!file.open(descriptor, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        return file.errorString().toStdString();
    const QPageSize page(size == PageSize::Letter ? QPageSize::Letter : QPageSize::A4);
    {
        QPdfWriter writer(&file);
        writer.setResolution(kResolution);
        writer.setPageSize(page);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
        writer.setCreator(QStringLiteral("Glimmark"));
        QPainter painter;
        if (!painter.begin(&writer))
            return "the PDF could not be started";
        Canvas canvas(writer, painter, page.sizePoints());
        draw(canvas);
        if (!painter.end())
            return "the PDF could not be finished";
    }
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return file.errorString().toStdString();
    return {};
}

PageSize QtPdfWriter::preferredPageSize() const {
    // Only the US system means Letter: the UK measures in miles but prints on A4.
    return QLocale().measurementSystem() == QLocale::ImperialUSSystem ? PageSize::Letter
                                                                      : PageSize::A4;
}

Bytes QtPictureScaler::jpegThumbnail(const Bytes& encoded, int width, int height) {
    QImage image = decode(encoded, QSizeF(width, height));
    if (image.isNull())
        return {};
    // The decoder scales to the nearest eighth at or above the size; the rest is done here.
    if (image.width() > width || image.height() > height)
        image = image.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG", 75))
        return {};
    return Bytes(jpeg.begin(), jpeg.end());
}

}  // namespace platform::qt

#pragma once

#include <QCache>
#include <QStaticText>
#include <QStyledItemDelegate>

// Draws the log table's text cells from layouts kept between paints. Each take logged shifts
// and redraws the rows on show; laying out every cell's text afresh each time costs the main
// thread more than the rest of the take together. Cells with a picture are drawn as usual.
class LogCellDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    // The text as drawn in a cell of that width (elided when it does not fit), by text and width.
    const QStaticText& laidOut(const QString& text, int width, const QFont& font) const;

    mutable QCache<QString, QStaticText> m_texts{4000};
    mutable QFont m_font;
};

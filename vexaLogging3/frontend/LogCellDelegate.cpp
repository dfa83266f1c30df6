#include "frontend/LogCellDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

void LogCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    if (!cell.features.testFlag(QStyleOptionViewItem::HasDisplay) ||
        cell.features.testFlag(QStyleOptionViewItem::HasDecoration)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QString text = cell.text;
    cell.text.clear();
    const QWidget* widget = cell.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    // Background, selection and focus as the style draws them; the text is ours.
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect area = cell.rect.adjusted(margin, 0, -margin, 0);
    if (area.width() <= 0 || text.isEmpty())
        return;
    const QStaticText& shown = laidOut(text, area.width(), cell.font);
    const QPalette::ColorGroup group =
        !cell.state.testFlag(QStyle::State_Enabled) ? QPalette::Disabled
        : cell.state.testFlag(QStyle::State_Active) ? QPalette::Normal
                                                     : QPalette::Inactive;
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(group, cell.state.testFlag(QStyle::State_Selected)
                                                  ? QPalette::HighlightedText
                                                  : QPalette::Text));
    painter->setClipRect(area);
    const qreal top = area.top() + (area.height() - shown.size().height()) / 2;
    painter->drawStaticText(QPointF(area.left(), top), shown);
    painter->restore();
}

const QStaticText& LogCellDelegate::laidOut(const QString& text, int width,
                                            const QFont& font) const {
    if (font != m_font) {
        m_texts.clear();
        m_font = font;
    }
    const QString key = QString::number(width) + QLatin1Char('\n') + text;
    if (const QStaticText* held = m_texts.object(key))
        return *held;
    auto* laid = new QStaticText(QFontMetrics(font).elidedText(text, Qt::ElideRight, width));
    laid->setTextFormat(Qt::PlainText);
    laid->prepare(QTransform(), font);
    m_texts.insert(key, laid);
    return *laid;
}

#include "shell/value_display.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace shell {

bool ValueDisplay::event(QEvent* event) {
    const bool handled = QLabel::event(event);
    switch (event->type()) {
        case QEvent::Polish:
            // Every pixel is painted here, so nothing is painted under the display first. The
            // style's polish clears this, so it is set after.
            setAttribute(Qt::WA_OpaquePaintEvent);
            break;
        case QEvent::Resize:
        case QEvent::PaletteChange:
        case QEvent::StyleChange:
        case QEvent::FontChange:
        case QEvent::ContentsRectChange:
            box_ = QPixmap();
            break;
        default:
            break;
    }
    return handled;
}

void ValueDisplay::paintEvent(QPaintEvent* /*event*/) {
    const QPalette& shownPalette = palette();
    if (box_.isNull() || boxGroup_ != shownPalette.currentColorGroup()) {
        const qreal ratio = devicePixelRatioF();
        box_ = QPixmap(size() * ratio);
        box_.setDevicePixelRatio(ratio);
        box_.fill(shownPalette.color(backgroundRole()));
        QPainter boxPainter(&box_);
        drawFrame(&boxPainter);
        boxGroup_ = shownPalette.currentColorGroup();
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, box_);
    QStyleOption option;
    option.initFrom(this);
    style()->drawItemText(&painter, textRect(), textFlags(), option.palette, isEnabled(), text(),
                          foregroundRole());
}

QRect ValueDisplay::textRect() const {
    // As the label lays out plain text: inside the frame and the margin, and, with no indent
    // given, indented by half an "x" on the sides it is aligned to.
    QRect area = contentsRect();
    const int m = margin();
    area.adjust(m, m, -m, -m);
    int shift = indent();
    if (shift < 0 && frameWidth() > 0) {
        shift = fontMetrics().horizontalAdvance(u'x') / 2 - m;
    }
    if (shift > 0) {
        const Qt::Alignment align = QStyle::visualAlignment(
            text().isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight, alignment());
        if (align & Qt::AlignLeft) {
            area.setLeft(area.left() + shift);
        }
        if (align & Qt::AlignRight) {
            area.setRight(area.right() - shift);
        }
        if (align & Qt::AlignTop) {
            area.setTop(area.top() + shift);
        }
        if (align & Qt::AlignBottom) {
            area.setBottom(area.bottom() - shift);
        }
    }
    return area;
}

int ValueDisplay::textFlags() const {
    const bool rightToLeft = text().isRightToLeft();
    int flags = static_cast<int>(QStyle::visualAlignment(
                    rightToLeft ? Qt::RightToLeft : Qt::LeftToRight, alignment())) |
                Qt::TextExpandTabs;
    if (wordWrap()) {
        flags |= Qt::TextWordWrap;
    }
    return flags | (rightToLeft ? Qt::TextForceRightToLeft : Qt::TextForceLeftToRight);
}

}  // namespace shell

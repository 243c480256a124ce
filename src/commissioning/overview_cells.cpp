#include "commissioning/overview_cells.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QStyle>
#include <QWidget>

#include <algorithm>

#include "paint_target.h"

namespace commissioning {

namespace {

// Every state, age and alarm text of the stations several times over; when full, it starts again.
constexpr qsizetype kRemembered = 256;

// The columns whose texts come back round after round; counters and values seldom repeat.
bool textsComeBack(int column) {
    return column == State || column == LastReply || column == Diameter || column == Alarm;
}

}  // namespace

void OverviewCells::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    // What lies under the cell: the view's plain background.
    const QBrush ground =
        option.widget != nullptr ? option.widget->palette().base() : option.palette.base();
    QStyleOptionViewItem shown = option;
    initStyleOption(&shown, index);
    if (!textsComeBack(index.column()) || option.rect.isEmpty() ||
        ground.style() != Qt::SolidPattern || !ground.isOpaque()) {
        ++drawnAfresh_;
        if (!drawPlainly(painter, shown)) {
            QStyledItemDelegate::paint(painter, option, index);
        }
        return;
    }
    const Key key{shown.text, shown.palette.color(QPalette::Text).rgba(),
                  static_cast<int>(option.state), static_cast<int>(shown.displayAlignment),
                  option.rect.size()};
    auto found = drawings_.constFind(key);
    if (found == drawings_.cend()) {
        if (drawings_.size() >= kRemembered) {
            drawings_.clear();
        }
        const qreal ratio = painter->device()->devicePixelRatio();
        QImage image(option.rect.size() * ratio,
                     paintedImageFormat(*painter).value_or(QImage::Format_ARGB32_Premultiplied));
        image.setDevicePixelRatio(ratio);
        image.fill(ground.color());
        QPainter drawing(&image);
        drawing.setRenderHints(painter->renderHints());
        QStyleOptionViewItem atOrigin = option;
        atOrigin.rect.moveTo(0, 0);
        QStyledItemDelegate::paint(&drawing, atOrigin, index);
        drawing.end();
        ++drawnAfresh_;
        found = drawings_.insert(key, std::move(image));
    }
    painter->drawImage(option.rect.topLeft(), *found);
}

bool OverviewCells::drawPlainly(QPainter* painter, const QStyleOptionViewItem& shown) const {
    constexpr QStyle::State kDrawnMore = QStyle::State_Selected | QStyle::State_HasFocus |
                                         QStyle::State_Editing | QStyle::State_MouseOver;
    constexpr QStyleOptionViewItem::ViewItemFeatures kMore =
        QStyleOptionViewItem::WrapText | QStyleOptionViewItem::HasCheckIndicator |
        QStyleOptionViewItem::HasDecoration;
    const QString& text = shown.text;
    if (text.isEmpty() || (shown.state & kDrawnMore) || (shown.features & kMore) ||
        shown.backgroundBrush.style() != Qt::NoBrush || shown.direction != Qt::LeftToRight ||
        std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x7F; })) {
        return false;
    }
    const QStyle* style = shown.widget != nullptr ? shown.widget->style() : QApplication::style();
    // Styles of their own may draw items otherwise; these draw them as the common style does.
    const QString styleName = style->name();
    if (styleName.compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0 &&
        styleName.compare(QLatin1String("windows"), Qt::CaseInsensitive) != 0) {
        return false;
    }
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, shown.widget) + 1;
    const QRect textRect = shown.rect.adjusted(margin, 0, -margin, 0);
    const QFontMetricsF metrics(shown.font);
    const qreal width = metrics.horizontalAdvance(text);
    if (width > textRect.width()) {
        return false;  // elided
    }
    // As the style places its one line: aligned in the cell less the margins, whole pixels
    // high, the glyphs from the line's left end.
    const QRect line = QStyle::alignedRect(
        Qt::LeftToRight, shown.displayAlignment & Qt::AlignVertical_Mask,
        QSize(textRect.width(), qRound(metrics.ascent() + metrics.descent())), textRect);
    qreal x = textRect.x();
    if (shown.displayAlignment & Qt::AlignRight) {
        x += textRect.width() - width;
    } else if (shown.displayAlignment & Qt::AlignHCenter) {
        x += (textRect.width() - width) / 2;
    }
    QPalette::ColorGroup group =
        shown.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(shown.state & QStyle::State_Active)) {
        group = QPalette::Inactive;
    }
    painter->save();
    painter->setFont(shown.font);
    painter->setPen(shown.palette.color(group, QPalette::Text));
    painter->drawText(QPointF(x, line.top() + metrics.ascent()), text);
    painter->restore();
    ++drawnPlainly_;
    return true;
}

int OverviewCells::widthFor(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QString text = index.data(Qt::DisplayRole).toString();
    QHash<QString, int>& known = widths_.at(static_cast<std::size_t>(index.column()));
    if (const auto found = known.constFind(text); found != known.cend()) {
        return *found;
    }
    if (known.size() >= kRemembered) {
        known.clear();
    }
    ++measured_;
    const int width = sizeHint(option, index).width();
    known.insert(text, width);
    return width;
}

void OverviewCells::forget() {
    drawings_.clear();
    for (QHash<QString, int>& known : widths_) {
        known.clear();
    }
}

}  // namespace commissioning

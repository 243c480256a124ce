#include "commissioning/overview_cells.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QWidget>

namespace commissioning {

namespace {

// Every state, age and alarm text of the stations several times over; when full, it starts again.
constexpr qsizetype kRemembered = 256;

// The columns whose texts come back round after round; counters and values seldom repeat.
bool textsComeBack(int column) {
    return column == State || column == LastReply || column == Diameter || column == Alarm;
}

// The format the view paints into, so that a copied drawing is the drawing itself.
QImage::Format targetFormat(const QPainter& painter) {
    const QPaintEngine* engine = painter.paintEngine();
    const QPaintDevice* target = engine != nullptr ? engine->paintDevice() : nullptr;
    if (target != nullptr && target->devType() == QInternal::Image) {
        return static_cast<const QImage*>(target)->format();
    }
    return QImage::Format_ARGB32_Premultiplied;
}

}  // namespace

void OverviewCells::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    // What lies under the cell: the view's plain background.
    const QBrush ground =
        option.widget != nullptr ? option.widget->palette().base() : option.palette.base();
    if (!textsComeBack(index.column()) || option.rect.isEmpty() ||
        ground.style() != Qt::SolidPattern || !ground.isOpaque()) {
        ++drawnAfresh_;
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem shown = option;
    initStyleOption(&shown, index);
    const Key key{shown.text, shown.palette.color(QPalette::Text).rgba(),
                  static_cast<int>(option.state), static_cast<int>(shown.displayAlignment),
                  option.rect.size()};
    auto found = drawings_.constFind(key);
    if (found == drawings_.cend()) {
        if (drawings_.size() >= kRemembered) {
            drawings_.clear();
        }
        const qreal ratio = painter->device()->devicePixelRatio();
        QImage image(option.rect.size() * ratio, targetFormat(*painter));
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

#include "shell/parent_copy.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace shell {

void ParentCopy::paint(QWidget& child) {
    QPainter painter(&child);
    paint(child, painter);
}

void ParentCopy::paint(QWidget& child, QPainter& painter) {
    if (copy_.isNull()) {
        const qreal ratio = child.devicePixelRatioF();
        copy_ = QPixmap(child.size() * ratio);
        copy_.setDevicePixelRatio(ratio);
        copy_.fill(child.palette().color(QPalette::Window));
        if (QWidget* parent = child.parentWidget()) {
            parent->render(&copy_, QPoint(), QRegion(child.geometry()),
                           QWidget::DrawWindowBackground);
        }
    }
    painter.drawPixmap(0, 0, copy_);
}

bool ParentCopy::follow(QWidget& child, const QEvent& event) {
    switch (event.type()) {
        case QEvent::Polish:
            // Every pixel of the child is painted, so its parent is not painted again under it.
            // The style's polish clears this, so it is set after.
            child.setAttribute(Qt::WA_OpaquePaintEvent);
            return false;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::PaletteChange:
        case QEvent::StyleChange:
            forget();
            return true;
        default:
            return false;
    }
}

bool StationIndicator::event(QEvent* event) {
    const bool handled = QCheckBox::event(event);
    // A look holds the copy of the parent and the font's drawing.
    if (copy_.follow(*this, *event) || event->type() == QEvent::FontChange) {
        looks_.clear();
    }
    return handled;
}

void StationIndicator::paintEvent(QPaintEvent* /*event*/) {
    QStyleOptionButton option;
    initStyleOption(&option);
    const std::uint64_t key = (std::uint64_t{option.state} << 8U) |
                              static_cast<std::uint64_t>(option.palette.currentColorGroup());
    auto look = std::find_if(looks_.begin(), looks_.end(),
                             [key](const auto& entry) { return entry.first == key; });
    if (look == looks_.end()) {
        if (looks_.size() == kLooksKept) {
            looks_.erase(looks_.begin());
        }
        const qreal ratio = devicePixelRatioF();
        QPixmap image(size() * ratio);
        image.setDevicePixelRatio(ratio);
        QPainter painter(&image);
        // As a painter on the control itself starts.
        painter.setPen(QPen(option.palette.brush(foregroundRole()), 1));
        painter.setBackground(option.palette.brush(backgroundRole()));
        painter.setFont(font());
        copy_.paint(*this, painter);
        style()->drawControl(QStyle::CE_CheckBox, &option, &painter, this);
        painter.end();
        looks_.emplace_back(key, std::move(image));
        look = looks_.end() - 1;
    }
    QPainter(this).drawPixmap(0, 0, look->second);
}

}  // namespace shell

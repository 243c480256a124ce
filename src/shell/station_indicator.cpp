#include "shell/station_indicator.h"

#include <QEvent>
#include <QPainter>

namespace shell {

StationIndicator::StationIndicator(QWidget* parent) : QCheckBox(parent) {}

bool StationIndicator::event(QEvent* event) {
    const bool handled = QCheckBox::event(event);
    if (event->type() == QEvent::Polish) {
        // Every pixel of the box is painted here, so the parent is not painted again under it.
        // The style's polish clears this, so it is set after.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    return handled;
}

void StationIndicator::paintEvent(QPaintEvent* event) {
    if (background_.isNull()) {
        const qreal ratio = devicePixelRatioF();
        background_ = QPixmap(size() * ratio);
        background_.setDevicePixelRatio(ratio);
        background_.fill(palette().color(QPalette::Window));
        if (QWidget* parent = parentWidget()) {
            parent->render(&background_, QPoint(), QRegion(geometry()),
                           QWidget::DrawWindowBackground);
        }
    }
    {
        QPainter painter(this);
        painter.drawPixmap(0, 0, background_);
    }
    QCheckBox::paintEvent(event);
}

void StationIndicator::moveEvent(QMoveEvent* event) {
    background_ = QPixmap();
    QCheckBox::moveEvent(event);
}

void StationIndicator::resizeEvent(QResizeEvent* event) {
    background_ = QPixmap();
    QCheckBox::resizeEvent(event);
}

void StationIndicator::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        background_ = QPixmap();
    }
    QCheckBox::changeEvent(event);
}

}  // namespace shell

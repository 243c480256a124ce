#include "shell/parent_copy.h"

#include <QEvent>
#include <QPainter>

namespace shell {

void ParentCopy::paint(QWidget& child) {
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
    QPainter painter(&child);
    painter.drawPixmap(0, 0, copy_);
}

void ParentCopy::follow(QWidget& child, const QEvent& event) {
    switch (event.type()) {
        case QEvent::Polish:
            // Every pixel of the child is painted, so its parent is not painted again under it.
            // The style's polish clears this, so it is set after.
            child.setAttribute(Qt::WA_OpaquePaintEvent);
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::PaletteChange:
        case QEvent::StyleChange:
            forget();
            break;
        default:
            break;
    }
}

}  // namespace shell

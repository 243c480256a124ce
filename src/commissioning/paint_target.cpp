#include "paint_target.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>

namespace commissioning {

std::optional<QImage::Format> paintedImageFormat(const QPainter& painter) {
    const QPaintEngine* engine = painter.paintEngine();
    const QPaintDevice* target = engine != nullptr ? engine->paintDevice() : nullptr;
    if (target == nullptr || target->devType() != QInternal::Image) {
        return std::nullopt;
    }
    return static_cast<const QImage*>(target)->format();
}

}  // namespace commissioning

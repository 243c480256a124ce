#pragma once

#include <QImage>

#include <optional>

class QPainter;

namespace commissioning {

// The format of the image the painter paints into (a window's backing store, or an image); none
// when it paints into something else. A drawing made in this format and copied in is the drawing
// itself.
[[nodiscard]] std::optional<QImage::Format> paintedImageFormat(const QPainter& painter);

}  // namespace commissioning

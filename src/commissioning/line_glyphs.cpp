#include "commissioning/line_glyphs.h"

#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "paint_target.h"

namespace commissioning {

namespace {

// Far more characters than a line of traffic uses; when full, the store starts again.
constexpr qsizetype kRemembered = 1024;
// The styles of lines: a pen on the ground, and one on the selection.
constexpr std::size_t kStyles = 8;

bool whole(double value) {
    return value == std::floor(value);
}

}  // namespace

LineGlyphs::LineGlyphs(const QFont& font) : font_(font) {}

const LineGlyphs::Shape& LineGlyphs::shape(QChar c) {
    if (const auto found = shapes_.constFind(c.unicode()); found != shapes_.cend()) {
        return *found;
    }
    if (shapes_.size() >= kRemembered) {
        shapes_.clear();
        fonts_.clear();
    }
    ++shaped_;
    QTextLayout layout(QString(c), font_);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    Shape shaped;
    shaped.advance = line.horizontalAdvance();
    const qreal ascent = line.ascent();
    for (const QGlyphRun& run : layout.glyphRuns()) {
        Part part;
        part.font = fonts_.indexOf(run.rawFont());
        if (part.font < 0) {
            part.font = fonts_.size();
            fonts_.append(run.rawFont());
        }
        part.indexes = run.glyphIndexes();
        part.positions = run.positions();
        for (QPointF& position : part.positions) {
            position.ry() -= ascent;
        }
        shaped.parts.append(std::move(part));
    }
    return *shapes_.insert(c.unicode(), std::move(shaped));
}

void LineGlyphs::draw(QPainter& painter, const QPointF& origin, const QString& text) {
    // A character outside the basic plane is shaped with its pair: the line is drawn whole.
    if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); })) {
        painter.drawText(origin, text);
        return;
    }
    // The glyphs of the line gathered by font, drawn with one call each.
    struct Gathered {
        QList<quint32> indexes;
        QList<QPointF> positions;
    };
    QList<Gathered> gathered;
    qreal x = 0;
    for (const QChar c : text) {
        const Shape& shaped = shape(c);
        gathered.resize(fonts_.size());
        for (const Part& part : shaped.parts) {
            Gathered& into = gathered[part.font];
            into.indexes.append(part.indexes);
            for (const QPointF& position : part.positions) {
                into.positions.append(position + QPointF(x, 0));
            }
        }
        x += shaped.advance;
    }
    for (qsizetype font = 0; font < gathered.size(); ++font) {
        if (gathered[font].indexes.isEmpty()) {
            continue;
        }
        QGlyphRun run;
        run.setRawFont(fonts_[font]);
        run.setGlyphIndexes(gathered[font].indexes);
        run.setPositions(gathered[font].positions);
        painter.drawGlyphRun(origin, run);
    }
}

void LineGlyphs::drawShape(QPainter& painter, const QPointF& origin, const Shape& shaped) const {
    for (const Part& part : shaped.parts) {
        QGlyphRun run;
        run.setRawFont(fonts_[part.font]);
        run.setGlyphIndexes(part.indexes);
        run.setPositions(part.positions);
        painter.drawGlyphRun(origin, run);
    }
}

QImage LineGlyphs::makeCell(QChar c, const CellStyle& style) {
    const Shape& shaped = shape(c);
    const auto width = static_cast<int>(shaped.advance);
    if (width <= 0 || !whole(shaped.advance) || c.isSurrogate()) {
        return {};
    }
    // Drawn with room around the cell: ink that lands outside it would be lost in a copy.
    const int room = std::max(8, style.height);
    QImage drawn(width + 2 * room, style.height + 2 * room,
                 static_cast<QImage::Format>(style.format));
    drawn.fill(QColor::fromRgba(style.ground));
    const quint32 ground = reinterpret_cast<const quint32*>(drawn.constScanLine(0))[0];
    QPainter drawing(&drawn);
    drawing.setRenderHints(QPainter::RenderHints(style.hints));
    drawing.setPen(QColor::fromRgba(style.pen));
    drawShape(drawing, QPointF(room + style.phase, room + style.baseline), shaped);
    drawing.end();
    for (int y = 0; y < drawn.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(drawn.constScanLine(y));
        const bool inRows = y >= room && y < room + style.height;
        for (int x = 0; x < drawn.width(); ++x) {
            if (row[x] != ground && !(inRows && x >= room && x < room + width)) {
                return {};
            }
        }
    }
    return drawn.copy(room, room, width, style.height);
}

LineGlyphs::Cells& LineGlyphs::cellsOf(const CellStyle& style) {
    for (const std::unique_ptr<Cells>& cells : cells_) {
        if (cells->style == style) {
            if (cells->others.size() >= kRemembered) {
                cells->others.clear();
            }
            return *cells;
        }
    }
    if (cells_.size() >= kStyles) {
        cells_.clear();
    }
    cells_.push_back(std::make_unique<Cells>());
    cells_.back()->style = style;
    return *cells_.back();
}

bool LineGlyphs::drawCopies(QPainter& painter, const QPointF& origin, const QString& text, int top,
                            int height, const QColor& ground) {
    const QTransform device = painter.deviceTransform();
    const std::optional<QImage::Format> format = paintedImageFormat(painter);
    if (text.isEmpty() || height <= 0 || !format ||
        QImage::toPixelFormat(*format).bitsPerPixel() != 32 || ground.alpha() != 255 ||
        device.type() > QTransform::TxTranslate || !whole(device.dx()) || !whole(device.dy()) ||
        !whole(origin.y()) || painter.opacity() != 1.0 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver ||
        painter.device()->devicePixelRatio() != 1.0) {
        return false;
    }
    const double left = std::floor(origin.x());
    CellStyle style;
    style.pen = painter.pen().color().rgba();
    style.ground = ground.rgba();
    style.phase = origin.x() - left;
    style.baseline = static_cast<int>(origin.y()) - top;
    style.height = height;
    style.format = static_cast<int>(*format);
    style.hints = static_cast<int>(painter.renderHints());
    Cells& cells = cellsOf(style);
    QVarLengthArray<QImage, 160> copies;
    int width = 0;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code < cells.ascii.size()) {
            std::optional<QImage>& made = cells.ascii[code];
            if (!made) {
                made = makeCell(c, style);
            }
            copies.append(*made);
        } else {
            auto found = cells.others.constFind(code);
            if (found == cells.others.cend()) {
                found = cells.others.insert(code, makeCell(c, style));
            }
            copies.append(*found);
        }
        if (copies.back().isNull()) {
            return false;
        }
        width += copies.back().width();
    }
    QImage line(width, height, *format);
    uchar* const into = line.bits();
    const qsizetype stride = line.bytesPerLine();
    qsizetype x = 0;
    for (const QImage& copy : copies) {
        const uchar* from = copy.constBits();
        const qsizetype fromStride = copy.bytesPerLine();
        const auto bytes = static_cast<std::size_t>(copy.width()) * 4;
        for (int y = 0; y < height; ++y) {
            std::memcpy(into + y * stride + x, from + y * fromStride, bytes);
        }
        x += static_cast<qsizetype>(bytes);
    }
    painter.drawImage(QPointF(left, top), line);
    ++copied_;
    return true;
}

void LineGlyphs::drawOnGround(QPainter& painter, const QPointF& origin, const QString& text,
                              int top, int height, const QColor& ground) {
    if (!drawCopies(painter, origin, text, top, height, ground)) {
        draw(painter, origin, text);
    }
}

}  // namespace commissioning

#include "commissioning/line_glyphs.h"

#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace commissioning {

namespace {

// Far more characters than a line of traffic uses; when full, the store starts again.
constexpr qsizetype kRemembered = 1024;

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

}  // namespace commissioning

#include "commissioning/line_glyphs.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPointF>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <utility>

namespace commissioning {

namespace {

// Every byte in hexadecimal, every verdict and every part of a time of day several times over;
// when full, it starts again.
constexpr qsizetype kRemembered = 4096;

// The marks within a time of day, words of their own: its hours, minutes, seconds and
// milliseconds then come back as words do.
bool isMark(QChar c) {
    return c == QLatin1Char(':') || c == QLatin1Char('.');
}

}  // namespace

LineGlyphs::LineGlyphs(const QFont& font)
    : font_(font), space_(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' '))) {}

const LineGlyphs::Word& LineGlyphs::word(const QString& text) {
    if (const auto found = words_.constFind(text); found != words_.cend()) {
        return *found;
    }
    if (words_.size() >= kRemembered) {
        words_.clear();
    }
    ++shaped_;
    QTextLayout layout(text, font_);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    Word shapedWord;
    shapedWord.advance = line.horizontalAdvance();
    const qreal ascent = line.ascent();
    for (QGlyphRun run : layout.glyphRuns()) {
        QList<QPointF> positions = run.positions();
        for (QPointF& position : positions) {
            position.ry() -= ascent;
        }
        run.setPositions(positions);
        shapedWord.runs.append(std::move(run));
    }
    return *words_.insert(text, std::move(shapedWord));
}

void LineGlyphs::draw(QPainter& painter, const QPointF& origin, const QString& text) {
    // The glyphs of the line gathered by font, drawn with one call each.
    struct Gathered {
        QRawFont font;
        QList<quint32> indexes;
        QList<QPointF> positions;
    };
    QList<Gathered> gathered;
    qreal x = 0;
    qsizetype at = 0;
    while (at < text.size()) {
        if (text.at(at) == QLatin1Char(' ')) {
            x += space_;
            ++at;
            continue;
        }
        qsizetype end = at + 1;
        if (!isMark(text.at(at))) {
            while (end < text.size() && text.at(end) != QLatin1Char(' ') && !isMark(text.at(end))) {
                ++end;
            }
        }
        const Word& shapedWord = word(text.mid(at, end - at));
        for (const QGlyphRun& run : shapedWord.runs) {
            const QRawFont font = run.rawFont();
            auto into = std::find_if(gathered.begin(), gathered.end(),
                                     [&](const Gathered& g) { return g.font == font; });
            if (into == gathered.end()) {
                gathered.append({font, {}, {}});
                into = gathered.end() - 1;
            }
            into->indexes.append(run.glyphIndexes());
            for (const QPointF& position : run.positions()) {
                into->positions.append(position + QPointF(x, 0));
            }
        }
        x += shapedWord.advance;
        at = end;
    }
    for (const Gathered& g : gathered) {
        QGlyphRun run;
        run.setRawFont(g.font);
        run.setGlyphIndexes(g.indexes);
        run.setPositions(g.positions);
        painter.drawGlyphRun(origin, run);
    }
}

}  // namespace commissioning

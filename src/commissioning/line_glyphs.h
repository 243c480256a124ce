#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QString>

class QPainter;
class QPointF;

namespace commissioning {

// Draws lines of text as QPainter::drawText does, shaping each word once: a line is its words
// set one after another, a space's width apart, ':' and '.' being words of their own. The words
// of the traffic (bytes in hexadecimal, stations, verdicts, parts of the time) come back line
// after line. The font must set its glyphs side by side, without kerning across words, as a
// fixed-pitch font does.
class LineGlyphs {
  public:
    explicit LineGlyphs(const QFont& font);

    // Draws `text` with its baseline starting at `origin`, in the painter's pen.
    void draw(QPainter& painter, const QPointF& origin, const QString& text);

    // Words shaped since the start.
    [[nodiscard]] int shaped() const { return shaped_; }

  private:
    struct Word {
        QList<QGlyphRun> runs;  // positioned from the start of the word's baseline
        qreal advance = 0;
    };

    const Word& word(const QString& text);

    QFont font_;
    qreal space_ = 0;
    QHash<QString, Word> words_;
    int shaped_ = 0;
};

}  // namespace commissioning

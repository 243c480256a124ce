#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QString>

class QPainter;

namespace commissioning {

// Draws lines of text as QPainter::drawText does, shaping each character once: a line is its
// characters set side by side, each as far as it advances. The lines of the traffic are made of
// a hundred or so characters (digits, hexadecimal, a few Chinese words). The font must set its
// glyphs side by side, without kerning or ligatures, as a fixed-pitch font does.
class LineGlyphs {
  public:
    explicit LineGlyphs(const QFont& font);

    // Draws `text` with its baseline starting at `origin`, in the painter's pen.
    void draw(QPainter& painter, const QPointF& origin, const QString& text);

    // Characters shaped since the start.
    [[nodiscard]] int shaped() const { return shaped_; }

  private:
    // A character's glyphs in one font, positioned from the start of its baseline.
    struct Part {
        qsizetype font = 0;  // in fonts_
        QList<quint32> indexes;
        QList<QPointF> positions;
    };
    struct Shape {
        QList<Part> parts;
        qreal advance = 0;
    };

    const Shape& shape(QChar c);

    QFont font_;
    QHash<char16_t, Shape> shapes_;
    QList<QRawFont> fonts_;
    int shaped_ = 0;
};

}  // namespace commissioning

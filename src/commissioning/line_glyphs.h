#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

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
    // Draws as draw() does on a line of the painter's device, rows `top` to `top + height - 1`,
    // that is all `ground` before: copies each character's drawing, made once per pen and
    // ground, where blending its glyphs anew costs many times more. Falls back to draw() where
    // a copy would not be the same: a character whose ink reaches beyond its advance, a
    // character not a whole number of pixels wide, a painter that scales.
    void drawOnGround(QPainter& painter, const QPointF& origin, const QString& text, int top,
                      int height, const QColor& ground);

    // Characters shaped, and lines drawn from copies, since the start.
    [[nodiscard]] int shaped() const { return shaped_; }
    [[nodiscard]] int copied() const { return copied_; }

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
    // How the characters of a line are drawn: in a pen, on a ground, `baseline` rows below the
    // line's top, `phase` of a pixel to the right of a pixel's edge, into an image of a format.
    struct CellStyle {
        QRgb pen = 0;
        QRgb ground = 0;
        double phase = 0;
        int baseline = 0;
        int height = 0;
        int format = 0;
        int hints = 0;
        [[nodiscard]] auto fields() const {
            return std::tie(pen, ground, phase, baseline, height, format, hints);
        }
        friend bool operator==(const CellStyle& a, const CellStyle& b) {
            return a.fields() == b.fields();
        }
    };
    // The drawings of characters in one style, made when first needed; a null image for a
    // character whose copy would not be what draw() draws.
    struct Cells {
        CellStyle style;
        std::array<std::optional<QImage>, 128> ascii;
        QHash<char16_t, QImage> others;
    };
    [[nodiscard]] QImage makeCell(QChar c, const CellStyle& style);
    Cells& cellsOf(const CellStyle& style);
    void drawShape(QPainter& painter, const QPointF& origin, const Shape& shaped) const;
    bool drawCopies(QPainter& painter, const QPointF& origin, const QString& text, int top,
                    int height, const QColor& ground);

    QFont font_;
    QHash<char16_t, Shape> shapes_;
    QList<QRawFont> fonts_;
    std::vector<std::unique_ptr<Cells>> cells_;
    int shaped_ = 0;
    int copied_ = 0;
};

}  // namespace commissioning

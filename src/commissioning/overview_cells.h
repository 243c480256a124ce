#pragma once

#include <QHash>
#include <QImage>
#include <QStyledItemDelegate>

#include <array>

#include "commissioning/overview_model.h"

namespace commissioning {

// Draws the overview's cells as the standard delegate does, and remembers the drawings of the
// columns whose texts come back ("在线", "3 秒前", "无"): a cell drawn before with the same text,
// colour, state and size is copied instead of laid out again. It also remembers how wide each
// text of a column is.
class OverviewCells final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // The width `index` needs, as the view measures a column for its contents.
    [[nodiscard]] int widthFor(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // Forgets what was drawn and measured: the font or the style changed.
    void forget();

    // Cells laid out and drawn afresh (plainly, or by the standard delegate), and texts
    // measured, since the start.
    [[nodiscard]] int drawnAfresh() const { return drawnAfresh_; }
    [[nodiscard]] int drawnPlainly() const { return drawnPlainly_; }
    [[nodiscard]] int measured() const { return measured_; }

  private:
    // Draws a cell of one line of plain text that fits, as the standard delegate does, without
    // laying the text out twice and without the style's frame of work around it; false for any
    // other cell (selected, with the focus, an icon, a check box, a text of other scripts).
    bool drawPlainly(QPainter* painter, const QStyleOptionViewItem& shown) const;

    struct Key {
        QString text;
        QRgb colour = 0;
        int state = 0;
        int alignment = 0;
        QSize size;
        friend bool operator==(const Key& a, const Key& b) {
            return a.text == b.text && a.colour == b.colour && a.state == b.state &&
                   a.alignment == b.alignment && a.size == b.size;
        }
        friend size_t qHash(const Key& key, size_t seed = 0) {
            return qHashMulti(seed, key.text, key.colour, key.state, key.size.width());
        }
    };

    mutable QHash<Key, QImage> drawings_;
    mutable std::array<QHash<QString, int>, OverviewColumnCount> widths_;
    mutable int drawnAfresh_ = 0;
    mutable int drawnPlainly_ = 0;
    mutable int measured_ = 0;
};

}  // namespace commissioning

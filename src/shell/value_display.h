#pragma once

#include <QLabel>
#include <QPalette>
#include <QPixmap>

class QEvent;
class QPaintEvent;

namespace shell {

// A measurement display of the main window: a framed box whose plain text changes with every
// reply. It looks exactly as the plain label it is, but paints its box (background and frame)
// from a copy and only the text anew. The copy is taken again after a resize or a change of
// palette, style, frame or state (enabled, active window).
class ValueDisplay final : public QLabel {
  public:
    using QLabel::QLabel;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    // The rectangle and flags the label lays its plain text out in.
    [[nodiscard]] QRect textRect() const;
    [[nodiscard]] int textFlags() const;

    QPixmap box_;
    QPalette::ColorGroup boxGroup_ = QPalette::NColorGroups;
};

}  // namespace shell

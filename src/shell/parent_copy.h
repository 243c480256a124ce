#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPixmap>

#include <cstdint>
#include <utility>
#include <vector>

class QEvent;
class QPainter;
class QWidget;

namespace shell {

// What a parent widget shows under one of its children, copied once and again after the child
// moves, is resized or changes palette or style.
class ParentCopy {
  public:
    // Draws the copy on `child`, taking it first when there is none.
    void paint(QWidget& child);
    // The same with `painter`, which paints what stands for `child` (an image of it).
    void paint(QWidget& child, QPainter& painter);
    void forget() { copy_ = QPixmap(); }
    // Forgets the copy on the events that change what lies under the child; true when it did.
    bool follow(QWidget& child, const QEvent& event);

  private:
    QPixmap copy_;
};

// A control of the main window that paints its parent's part under it from a copy, so that a new
// state or text repaints the control alone and leaves the group box around it as it is.
template <typename Control>
class OnParentCopy final : public Control {
  public:
    using Control::Control;

  protected:
    bool event(QEvent* event) override {
        const bool handled = Control::event(event);
        copy_.follow(*this, *event);
        return handled;
    }
    void paintEvent(QPaintEvent* event) override {
        copy_.paint(*this);
        Control::paintEvent(event);
    }

  private:
    ParentCopy copy_;
};

// A caption whose text changes at run time.
using ChangingCaption = OnParentCopy<QLabel>;

// A station indicator, on a copy of its parent. It keeps its look in each state it was shown in
// (checked, enabled, focus, hover, colour group), up to eight, the oldest giving way, so that a
// state it had before is painted as one image.
class StationIndicator final : public QCheckBox {
  public:
    using QCheckBox::QCheckBox;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    static constexpr std::size_t kLooksKept = 8;

    ParentCopy copy_;
    std::vector<std::pair<std::uint64_t, QPixmap>> looks_;  // the oldest first
};

}  // namespace shell

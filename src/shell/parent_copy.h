#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPixmap>

class QEvent;
class QWidget;

namespace shell {

// What a parent widget shows under one of its children, copied once and again after the child
// moves, is resized or changes palette or style.
class ParentCopy {
  public:
    // Draws the copy on `child`, taking it first when there is none.
    void paint(QWidget& child);
    void forget() { copy_ = QPixmap(); }
    // Forgets the copy on the events that change what lies under the child.
    void follow(QWidget& child, const QEvent& event);

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

// A station indicator; a caption whose text changes at run time.
using StationIndicator = OnParentCopy<QCheckBox>;
using ChangingCaption = OnParentCopy<QLabel>;

}  // namespace shell

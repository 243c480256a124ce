#pragma once

#include <QCheckBox>
#include <QPixmap>

namespace shell {

// A station indicator of the main window: a check box that paints what its parent shows under it
// from a copy taken once and again after every move or resize, so that a new state repaints the
// box alone and leaves the group box around it as it is.
class StationIndicator final : public QCheckBox {
    Q_OBJECT

  public:
    explicit StationIndicator(QWidget* parent);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QPixmap background_;  // the parent under the box; null until the next paint takes it
};

}  // namespace shell

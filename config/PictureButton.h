// A push button that is a picture: its normal picture, and its pressed picture while held down. Tab
// reaches it (a tap does not take the focus), and a yellow frame shows when it has the focus.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace kivu {

class BitmapButton : public QAbstractButton {
 public:
  // The frame of the button in focus.
  static constexpr QColor kFocusColour{255, 255, 0};

  BitmapButton(const QPixmap& normal, const QPixmap& pressed, QWidget* parent);
  QSize sizeHint() const override { return normal_.size().isEmpty() ? QSize(40, 40) : normal_.size(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap normal_;
  QPixmap pressed_;
};

}  // namespace kivu

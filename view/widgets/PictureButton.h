// A push button that is a picture: its normal picture, and its pressed picture while held down, drawn
// margin pixels inside the button (the text on grey where there is no picture). Tab reaches it (a tap
// does not take the focus), and a yellow frame shows when it has the focus. The dashboard's four buttons
// and the browse dialog's Up are these.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace kivu {

class PictureButton : public QAbstractButton {
 public:
  // The frame of the button in focus.
  static constexpr QColor kFocusColour{255, 255, 0};

  PictureButton(QPixmap normal, QPixmap pressed, QWidget* parent, int margin = 0);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap normal_;
  QPixmap pressed_;
  int margin_;
};

}  // namespace kivu

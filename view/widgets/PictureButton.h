// A push button that is a picture: its normal picture, and its pressed picture while held down, drawn
// margin pixels inside the button (the text on grey where there is no picture). A button of the
// picture's design size shows it pixel for pixel; a larger or smaller one shows it drawn for its size
// (see SizedPicture), worked out when the size changes rather than at every paint. Tab reaches it (a tap
// does not take the focus), and a yellow frame shows when it has the focus. The dashboard's four buttons
// and the browse dialog's Up are these.
#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <functional>

#include "view/widgets/SizedPicture.h"

namespace kivu {

class PictureButton : public QAbstractButton {
 public:
  // The frame of the button in focus.
  static constexpr QColor kFocusColour{255, 255, 0};

  PictureButton(SizedPicture normal, SizedPicture pressed, QWidget* parent, int margin = 0);
  QSize sizeHint() const override;
  // Turns the pictures' pixels into another palette's (null: as drawn); the button shows them at once.
  void SetTint(std::function<void(QImage&)> tint);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QRect PictureRect() const;
  // Makes the pictures for the button's size on its screen, unless they are made already.
  void PreparePictures();

  SizedPicture normal_;
  SizedPicture pressed_;
  int margin_;
  // The pictures as shown, for pictureSize_ device pixels.
  QPixmap shownNormal_;
  QPixmap shownPressed_;
  QSize pictureSize_;
  std::function<void(QImage&)> tint_;
};

}  // namespace kivu

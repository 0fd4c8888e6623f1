#include "view/widgets/PictureButton.h"

#include <QPainter>
#include <cmath>

namespace kivu {

PictureButton::PictureButton(SizedPicture normal, SizedPicture pressed, QWidget* parent, int margin)
    : QAbstractButton(parent), normal_(std::move(normal)), pressed_(std::move(pressed)), margin_(margin) {
  setFocusPolicy(Qt::TabFocus);  // a finger's press leaves the focus where it was
  // Without a margin every pixel is the picture's; a margin shows what lies behind the button.
  setAttribute(Qt::WA_OpaquePaintEvent, margin_ == 0);
}

QSize PictureButton::sizeHint() const {
  const QSize margins(2 * margin_, 2 * margin_);
  return normal_.IsNull() ? QSize(40, 40) : normal_.DesignSize() + margins;
}

QRect PictureButton::PictureRect() const {
  return rect().adjusted(margin_, margin_, -margin_, -margin_);
}

void PictureButton::PreparePictures() {
  // On a screen that scales the window (a device pixel ratio above 1) the picture is made for the
  // screen's pixels, not for the window's, so that it is as sharp there as at the design size.
  const qreal ratio = devicePixelRatioF();
  const QSize logical = PictureRect().size();
  const QSize pixels(static_cast<int>(std::lround(logical.width() * ratio)),
                     static_cast<int>(std::lround(logical.height() * ratio)));
  if (pixels == pictureSize_) return;
  pictureSize_ = pixels;
  auto make = [&](const SizedPicture& picture) {
    QImage image = picture.At(pixels);
    if (tint_ && !image.isNull()) tint_(image);
    QPixmap shown = QPixmap::fromImage(image);
    shown.setDevicePixelRatio(ratio);
    return shown;
  };
  shownNormal_ = make(normal_);
  shownPressed_ = make(pressed_);
}

void PictureButton::SetTint(std::function<void(QImage&)> tint) {
  tint_ = std::move(tint);
  pictureSize_ = QSize();  // made again with the new tint
  PreparePictures();
  update();
}

void PictureButton::resizeEvent(QResizeEvent* event) {
  QAbstractButton::resizeEvent(event);
  PreparePictures();
}

void PictureButton::paintEvent(QPaintEvent*) {
  PreparePictures();  // nothing to do unless the button moved to a screen of another pixel ratio
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  const QPixmap& picture = isDown() && !shownPressed_.isNull() ? shownPressed_ : shownNormal_;
  if (picture.isNull()) {
    painter.fillRect(rect(), QColor(80, 80, 80));
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, text());
  } else {
    painter.drawPixmap(PictureRect(), picture);
  }
  if (hasFocus()) {
    painter.setPen(QPen(kFocusColour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
  }
}

}  // namespace kivu
